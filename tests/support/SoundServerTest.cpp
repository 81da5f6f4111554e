#include "support/SoundServerTest.h"

#include "engine/backends/PulseBackend.h"
#include "settings/RecordingSettings.h"

#include <QProcess>

QString Pactl(const QStringList& args, bool* ok)
{
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    const bool done = p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (ok)
        *ok = done;
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

void SoundServerTest::SetUp()
{
    bool ok = false;
    Pactl({QStringLiteral("info")}, &ok);
    ASSERT_TRUE(ok) << "no sound server is reachable: run the tests through test.sh";
    backend = createPulseBackend();
    ASSERT_TRUE(backend) << "no sound server answers the backend";
}

void SoundServerTest::TearDown()
{
    closeMainWindow();
    for (const QString& module : std::as_const(modules_))
        Pactl({QStringLiteral("unload-module"), module});
    modules_.clear();
    RecordingSettings = TRecordingSettings{};
}

QString SoundServerTest::loadSink(const QString& name, const QStringList& options)
{
    const QString module = Pactl(QStringList{QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                                             QStringLiteral("sink_name=") + name}
                                 + options + QStringList{QStringLiteral("sink_properties=device.description=") + name});
    if (!module.isEmpty())
        modules_ << module;
    return module;
}

void SoundServerTest::unloadSink(QString& module)
{
    Pactl({QStringLiteral("unload-module"), module});
    modules_.removeAll(module);
    module.clear();
}
