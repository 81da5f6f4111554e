#pragma once
// Helpers of the engine tests: a QCoreApplication for queued events and a virtual backend with
// the hand-driven clock put in place as the system backend.
#include "engine/backends/VirtualBackend.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>

inline QCoreApplication* testApp()
{
    static int argc = 1;
    static char name[] = "test_engine";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? QCoreApplication::instance()
                                                                : new QCoreApplication(argc, argv);
    return app;
}

inline void processEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
}

class VirtualBackendTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApp();
        backend = std::make_unique<VirtualBackend>(VirtualBackend::ClockMode::Manual);
        setSystemAudioBackend(backend.get());
    }
    void TearDown() override { setSystemAudioBackend(nullptr); }

    std::unique_ptr<VirtualBackend> backend;
};
