// The program entry: the command line (handed to the running program of the same settings
// file, app/HandOver.h), the application object, the five permanent forms, what the desktop
// reaches the program by (the instance's bus name and socket, the tray icon, notifications),
// the message loop.
#include "app/HandOver.h"
#include "app/RecordingNotice.h"
#include "app/RemoteControl.h"
#include "app/TrayIcon.h"
#include "app/Unit1.h"
#include "app/rename.h"
#include "mixer/Unit2.h"
#include "mixer/Unit5.h"
#include "mixer/Unit7.h"
#include "platform/DesktopNotifier.h"
#include "platform/ProgramFolder.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "platform/ui/Guarded.h"
#include "platform/ui/TavrinApplication.h"
#include "settings/InterfaceLanguage.h"

#include <QDialog>
#include <QDir>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>

namespace {

// A termination request ends the program as the window's close does: open dialogs are
// dismissed, the main window closes (FormClose stops playback and recording and saves the
// time limit) and every event loop ends.
void endAsByClose(int /*signalNumber*/)
{
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            modal->hide();
    }
    if (Form1)
        Form1->close();
    QCoreApplication::exit(0);
}

// Start-up measurement (bench/run.sh): with TAVRIN_EXIT_AFTER_SHOW=1 the program prints the
// milliseconds from TAVRIN_START_NS (CLOCK_REALTIME nanoseconds taken by the caller just before
// starting it; else from main) to the first turn of the message loop after the window is shown,
// and ends.
void exitAfterShowIfAsked(const timespec& mainEntered)
{
    if (qEnvironmentVariableIntValue("TAVRIN_EXIT_AFTER_SHOW") != 1)
        return;
    QTimer::singleShot(0, [mainEntered] {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        const long long nowNs = now.tv_sec * 1000000000LL + now.tv_nsec;
        bool ok = false;
        long long startNs = qEnvironmentVariable("TAVRIN_START_NS").toLongLong(&ok);
        if (!ok)
            startNs = mainEntered.tv_sec * 1000000000LL + mainEntered.tv_nsec;
        std::printf("shown_ms=%.3f\n", (nowNs - startNs) / 1e6);
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
}

// Fault tests (tests/endurance): with TAVRIN_RECORD_AT_SHOW=1 the record command runs (as by
// Ctrl+R) once the window is up, and the program prints "recording <ns>", the CLOCK_MONOTONIC
// time at which the command had started the capture. With TAVRIN_STALL_UI_MS=N as well, the window's thread
// stops for N ms, TAVRIN_STALL_UI_AT_MS (default 1000) after the record command, as a
// desktop that stops the program's window would.
void recordAtShowIfAsked(TForm1* form)
{
    if (qEnvironmentVariableIntValue("TAVRIN_RECORD_AT_SHOW") != 1)
        return;
    QTimer::singleShot(0, form, [form] {
        form->Record1->trigger();
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::printf("recording %lld\n", now.tv_sec * 1000000000LL + now.tv_nsec);
        std::fflush(stdout);
        const int stallMs = qEnvironmentVariableIntValue("TAVRIN_STALL_UI_MS");
        if (stallMs <= 0)
            return;
        bool given = false;
        const int atMs = qEnvironmentVariableIntValue("TAVRIN_STALL_UI_AT_MS", &given);
        QTimer::singleShot(given ? std::max(0, atMs) : 1000, form, [stallMs] {
            const timespec pause{stallMs / 1000, (stallMs % 1000) * 1000000L};
            nanosleep(&pause, nullptr);
        });
    });
}

// How long a start that lost the race to another waits for that one to listen.
constexpr int kStartingPeerMs = 5000;

QStringList argumentsOf(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

QString instanceName()
{
    return InstanceName(Locations().configFolder,
                        UserConfigFolder(QDir::homePath(), qEnvironmentVariable("XDG_CONFIG_HOME")));
}

// Before a window is made: a start that only asks something of the running program needs no
// display.
std::optional<int> handOverFirst(int argc, char** argv, const CommandLine& line)
{
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tavrin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVRIN_VERSION));
    return HandOver(line, instanceName());
}

} // namespace

int main(int argc, char** argv)
{
    timespec mainEntered{};
    clock_gettime(CLOCK_REALTIME, &mainEntered);
    const CommandLine line = ParseCommandLine(argumentsOf(argc, argv));
    if (const std::optional<int> status = handOverFirst(argc, argv, line))
        return *status;
    // On X11 the window sends its updates (a few small rectangles a tick while recording) over
    // the connection: through shared memory each frame waits for the server's answer first, a
    // round trip that wakes two of the program's threads twenty-five times a second.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    TavrinApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrin"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.tavrin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVRIN_VERSION));
    Locations();  // where setup.ini, the side files and new recordings live: chosen once, here
    // One program per settings file: one that started at the same moment may have won.
    SingleInstance instance(instanceName());
    if (!instance.listen()) {
        const std::optional<int> handed = HandOver(line, instance.name(), kStartingPeerMs);
        if (!handed)
            std::fputs("tavrin: another Tavrin of these settings is starting and does not answer yet\n", stderr);
        return handed.value_or(1);
    }
    // The interface's language, before any window is made: the program's captions are
    // written in Russian (tr("...") and QCoreApplication::translate("Context", "...")), and
    // the translator of the chosen language, with Qt's own, replaces them
    // (settings/InterfaceLanguage.h; README, "Languages", says how a caption or a language is
    // added).
    InstallInterfaceLanguage(ChosenInterfaceLanguage());
    installTerminationHandler(endAsByClose);

    // The permanent forms, in this order; they live until the program ends and go in the
    // reverse order, before the main window that owns the engine they talk to.
    auto form = std::make_unique<TForm1>();
    std::unique_ptr<TfrmEQ> eq(frmEQ = new TfrmEQ(form.get()));
    std::unique_ptr<TfrmAdv> adv(frmAdv = new TfrmAdv(form.get()));
    std::unique_ptr<TfrmRecFlt> recFlt(frmRecFlt = new TfrmRecFlt(form.get()));
    std::unique_ptr<TRenameForm> rename(RenameForm = new TRenameForm(form.get()));

    // What the desktop reaches the window by; they go before the window.
    auto remote = std::make_unique<RemoteControl>(*form);
    instance.setStatus([&remote] { return remote->status(); });
    QObject::connect(&instance, &SingleInstance::requested, remote.get(), &RemoteControl::handle);
    auto tray = std::make_unique<TrayIcon>(*form, *remote);
    tray->apply();
    auto notifier = std::make_unique<DesktopNotifier>();
    auto notice = std::make_unique<RecordingNotice>(*form, *notifier, *remote);

    form->show();
    exitAfterShowIfAsked(mainEntered);
    recordAtShowIfAsked(form.get());
    // The start's own files and command, as a later start would hand them over.
    QTimer::singleShot(0, remote.get(), [&remote, &line] {
        for (const InstanceRequest& request : RequestsOf(line, QDir::currentPath())) {
            if (request.kind != InstanceRequest::Kind::Activate)
                remote->handle(request);
        }
    });
    const int status = app.exec();

    // The loop can also end without the window's close (a termination request while a
    // dialog ran its own loop); the closing steps run in any case, and only once.
    runGuarded([&] { form->FormClose(); });

    instance.setStatus({});
    notice.reset();
    notifier.reset();
    tray.reset();
    remote.reset();
    rename.reset();
    recFlt.reset();
    adv.reset();
    eq.reset();
    form.reset();
    return status;
}
