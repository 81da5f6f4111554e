#pragma once
// Main-window tests on the sound server of the test command (test.sh starts a private one when
// none runs), through the program's own backend for it, with null sinks of their own.
#include "engine/AudioBackend.h"
#include "support/GuiTestSupport.h"

#include <QString>
#include <QStringList>

#include <memory>

// Runs pactl on the server this process reaches; its standard output, trimmed. ok: it ran and
// exited with 0.
QString Pactl(const QStringList& args, bool* ok = nullptr);

// SetUp fails the test when no server answers pactl or the backend; TearDown closes the main
// window, unloads the sinks still loaded and puts the recording settings back to defaults.
class SoundServerTest : public GuiTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A null sink named `name`, described by its name too (options: more module arguments).
    // Its module number, empty when the server refused it; it stays until unloadSink(module)
    // or the end of the test.
    QString loadSink(const QString& name, const QStringList& options = {});
    // Unloads the sink now and empties `module`.
    void unloadSink(QString& module);

    std::unique_ptr<AudioBackend> backend;

private:
    QStringList modules_;
};
