#pragma once
// The one application object of the session tests (events, timers, queued signals).
#include <QCoreApplication>

inline QCoreApplication* sessionApplication()
{
    static int argc = 1;
    static char name[] = "test_session";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return app;
}
