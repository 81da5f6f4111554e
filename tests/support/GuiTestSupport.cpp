#include "support/GuiTestSupport.h"

#include "app/Unit1.h"
#include "app/rename.h"
#include "engine/AudioBackend.h"
#include "engine/TAudioFile2.h"
#include "mixer/Unit2.h"
#include "mixer/Unit5.h"
#include "mixer/Unit7.h"
#include "platform/ProgramFolder.h"
#include "platform/ui/ShellOpen.h"
#include "platform/ui/TavrinApplication.h"

#include "engine/backends/VirtualBackend.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QFile>
#include <QThread>

QApplication* testApplication()
{
    static TavrinApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qEnvironmentVariableIsEmpty("TAVRIN_AUDIO"))
            qputenv("TAVRIN_AUDIO", "virtual");
        static int argc = 1;
        static char name[] = "tavrin-test";
        static char* argv[] = {name, nullptr};
        auto* a = new TavrinApplication(argc, argv);   // lives until the process ends
        QApplication::setApplicationName(QStringLiteral("Tavrin"));
        return a;
    }();
    return app;
}

void pumpEvents()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void writeWav(const QString& path, int frames)
{
    TAudioFile2 file;
    file.setActive(true);
    file.SetFormatPCM(8000, 1, 16);
    file.CreateNew(path, 0);
    if (frames > 0)
        file.WriteArray(SampleArray(1, std::vector<float>(size_t(frames), 0.25f)));
    file.Close();
}

bool waitUntil(const std::function<bool()>& pred, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// ---- program folder ------------------------------------------------------------------------

TempProgramFolder::TempProgramFolder()
{
    setProgramFolderForTests(dir_.path());
}

TempProgramFolder::~TempProgramFolder()
{
    setProgramFolderForTests(QString());
}

QString TempProgramFolder::path() const
{
    return dir_.path() + QLatin1Char('/');
}

QString TempProgramFolder::file(const QString& name) const
{
    return path() + name;
}

void TempProgramFolder::write(const QString& name, const QByteArray& contents) const
{
    QFile f(file(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        ADD_FAILURE() << "cannot write " << f.fileName().toStdString();
    f.write(contents);
}

QByteArray TempProgramFolder::read(const QString& name) const
{
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool TempProgramFolder::exists(const QString& name) const
{
    return QFile::exists(file(name));
}

// ---- message boxes, file dialogs, shell --------------------------------------------------------

MessageBoxRecorder::MessageBoxRecorder()
{
    setMessageResponder([this](const MessageRecord& r) {
        shown_.push_back(r);
        if (onShow)
            onShow(r);
        MessageAnswer a = r.kind == MessageKind::Question ? defaultAnswer : MessageAnswer::Ok;
        if (!answers_.empty()) {
            a = answers_.front();
            answers_.pop_front();
        }
        return a;
    });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    setMessageResponder({});
}

QStringList MessageBoxRecorder::texts() const
{
    QStringList t;
    for (const MessageRecord& r : shown_)
        t << r.text;
    return t;
}

FileDialogRecorder::FileDialogRecorder()
{
    setFileDialogResponder([this](const FileDialogRequest& r) {
        requests_.push_back(r);
        if (answers_.empty())
            return QString();
        QString a = answers_.front();
        answers_.pop_front();
        return a;
    });
}

FileDialogRecorder::~FileDialogRecorder()
{
    setFileDialogResponder({});
}

ShellOpenRecorder::ShellOpenRecorder()
{
    setShellOpenHookForTests([this](const QString& s) { opened << s; });
}

ShellOpenRecorder::~ShellOpenRecorder()
{
    setShellOpenHookForTests({});
}

// ---- the permanent forms ----------------------------------------------------------------------------

// ---- modal dialogs ------------------------------------------------------------------------------

struct ModalDialogHandler::Impl {
    QTimer timer;
    QPointer<QWidget> current;
    QElapsedTimer since;
};

ModalDialogHandler::ModalDialogHandler() : d(std::make_unique<Impl>())
{
    testApplication();
    d->timer.setInterval(20);
    QObject::connect(&d->timer, &QTimer::timeout, [this] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible())
            return;
        if (w != d->current) {
            d->current = w;
            d->since.start();
            seen << QString::fromLatin1(w->metaObject()->className());
            if (onDialog) {
                onDialog(w);
                return;
            }
        }
        if (d->since.elapsed() >= timeoutMs) {
            ADD_FAILURE() << "a modal " << w->metaObject()->className() << " \""
                          << w->windowTitle().toStdString() << "\" was left open; closing it";
            if (auto* dialog = qobject_cast<QDialog*>(w))
                dialog->reject();
            if (w->isVisible())
                w->hide();
            d->current = nullptr;
        }
    });
    d->timer.start();
}

ModalDialogHandler::~ModalDialogHandler() = default;

MainWindowHarness::MainWindowHarness(bool show, AudioBackend* backend, bool tipTimer)
    : backend_(backend)
{
    testApplication();
    if (!backend_) {
        auto own = std::make_unique<VirtualBackend>(VirtualBackend::ClockMode::Manual);
        virtual_ = own.get();
        backend_ = own.get();
        ownBackend_ = std::move(own);
    }
    if (backend_)
        setSystemAudioBackend(backend_);
    form_ = new TForm1;
    frmEQ = eq_ = new TfrmEQ(form_);
    frmAdv = adv_ = new TfrmAdv(form_);
    frmRecFlt = recFlt_ = new TfrmRecFlt(form_);
    RenameForm = rename_ = new TRenameForm(form_);
    if (!tipTimer)
        form_->TimerTip->stop();
    if (show) {
        form_->show();   // runs FormShow
        pumpEvents();
    }
}

MainWindowHarness::~MainWindowHarness()
{
    delete rename_;
    delete recFlt_;
    delete adv_;
    delete eq_;
    delete form_;
    pumpEvents();
    if (backend_)
        setSystemAudioBackend(nullptr);
    ownBackend_.reset();
}

// ---- fixture --------------------------------------------------------------------------------------

GuiTest::GuiTest()
{
    testApplication();
}

GuiTest::~GuiTest()
{
    window.reset();
}

TForm1* GuiTest::openMainWindow(bool show, AudioBackend* backend, bool tipTimer)
{
    window = std::make_unique<MainWindowHarness>(show, backend, tipTimer);
    return window->form();
}

void GuiTest::closeMainWindow()
{
    window.reset();
}
