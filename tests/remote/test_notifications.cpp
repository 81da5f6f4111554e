// A recording that ends by itself is told in a desktop notification with the file's name and
// length and two actions, which play the file and open its folder. The notification service is
// a stand-in on a private bus.
#include "app/RecordingNotice.h"
#include "app/RemoteControl.h"
#include "app/Unit1.h"
#include "engine/backends/VirtualBackend.h"
#include "platform/DesktopNotifier.h"
#include "settings/RecordingSettings.h"
#include "support/GuiTestSupport.h"
#include "support/PrivateBus.h"

#include <QAction>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace {

class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList calls;
    QStringList actions;
    QVariantMap hints;

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary, const QString& body,
                const QStringList& actionList, const QVariantMap& hintMap, int timeout)
    {
        calls << QStringList{app, QString::number(replaces), icon, summary, body, QString::number(timeout)}.join('|');
        actions = actionList;
        hints = hintMap;
        return 42;
    }
};

} // namespace

TEST_F(GuiTest, ARecordingThatEndsByItselfIsToldWithPlayAndOpenFolder)
{
    ASSERT_FALSE(privateBus().isEmpty()) << "dbus-daemon did not start";
    QDBusConnection standInBus = QDBusConnection::connectToBus(privateBus(), "stand-in");
    NotificationService service;
    ASSERT_TRUE(standInBus.registerObject("/org/freedesktop/Notifications", &service, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(standInBus.registerService("org.freedesktop.Notifications"));

    TForm1* f = openMainWindow(true, nullptr, false);
    RecordingSettings.SavePath = folder.path() + "Recording/";
    RecordingSettings.SaveFormat = ".wav";
    RecordingSettings.TimeLimit = 1;
    RemoteControl remote(*f);
    DesktopNotifier notifier(QDBusConnection::connectToBus(privateBus(), "notifier"));
    RecordingNotice notice(*f, notifier, remote);

    f->Record1->trigger();
    virtualBackend()->advanceAndProcess(1500);
    ASSERT_FALSE(f->IsRecording);   // the time limit ended it
    ASSERT_TRUE(waitUntil([&] { return service.calls.size() == 1; }, 10000));
    EXPECT_EQ(service.calls[0], "Tavrin|0|tavrin|Запись закончена|Untitled1.wav, 00:01|-1");
    EXPECT_EQ(service.actions, (QStringList{"play", "Воспроизвести", "open-folder", "Открыть папку"}));
    EXPECT_EQ(service.hints.value("desktop-entry").toString(), "org.example.tavrin");

    const auto invoke = [&](const QString& key) {
        QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                                                         "ActionInvoked");
        signal << uint(42) << key;
        standInBus.send(signal);
    };
    invoke("open-folder");
    EXPECT_TRUE(waitUntil([&] { return shell.opened.size() == 1; }, 10000));
    EXPECT_EQ(shell.opened, QStringList{RecordingSettings.SavePath});
    invoke("play");
    EXPECT_TRUE(waitUntil([&] { return f->IsPlaying; }, 10000));
    EXPECT_EQ(f->PlayFileName, RecordingSettings.SavePath + "Untitled1.wav");

    RecordingSettings = TRecordingSettings{};
    standInBus.unregisterService("org.freedesktop.Notifications");
    QDBusConnection::disconnectFromBus("stand-in");
}

#include "test_notifications.moc"
