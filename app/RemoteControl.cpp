#include "app/RemoteControl.h"

#include "app/RecordingSession.h"
#include "app/Unit1.h"
#include "engine/TAudioPlayer2.h"
#include "platform/ui/Guarded.h"

#include <QAction>
#include <QApplication>
#include <QUrl>
#include <QWidget>

namespace {

// How often waiting commands look whether the window takes them now.
constexpr int kRetryMs = 250;

// What an armed recording waits for, as the session says it.
QString waitingFor(const RecordingSession::Status& status)
{
    return status.waiting;
}

} // namespace

RemoteControl::RemoteControl(TForm1& form, QObject* parent) : QObject(parent), form_(form)
{
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, [this] { runPending(); });
}

void RemoteControl::handle(const InstanceRequest& request)
{
    switch (request.kind) {
    case InstanceRequest::Kind::Activate:
        activate(request.platformData);
        break;
    case InstanceRequest::Kind::Open:
        open(request.uris);
        // Shown with the files, once they are opened.
        queue({[this, data = request.platformData] { activate(data); }, true});
        break;
    case InstanceRequest::Kind::Action:
        action(request.action);
        break;
    case InstanceRequest::Kind::Status:
        break;
    }
}

void RemoteControl::action(const QString& name)
{
    TForm1& f = form_;
    if (name == QLatin1String("record"))
        run([&f] { f.Record1Click(); });
    else if (name == QLatin1String("stop"))
        run([&f] { f.Stop1Click(); });
    else if (name == QLatin1String("pause"))
        run([&f] { f.Pause1Click(); });
    else if (name == QLatin1String("toggle"))
        run([&f] {
            if (f.Session->state() == RecordingSession::State::Stopped)
                f.Record1Click();
            else
                f.Stop1Click();
        });
}

void RemoteControl::open(const QStringList& uris)
{
    for (const QString& uri : uris) {
        const QUrl url(uri);
        if (!url.isLocalFile())
            continue;   // the program reads local files only
        queue({[this, path = url.toLocalFile()] { form_.OpenFile(path); }, true});
    }
}

void RemoteControl::activate(const QVariantMap& platformData)
{
    // The desktop lets a window come to the front with the token of the start that asked.
    const QString token = platformData.value(QStringLiteral("activation-token")).toString();
    if (!token.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
    form_.setWindowState(form_.windowState() & ~Qt::WindowMinimized);
    form_.show();
    form_.raise();
    form_.activateWindow();
}

void RemoteControl::run(std::function<void()> step)
{
    queue({std::move(step), false});
}

void RemoteControl::queue(Pending pending)
{
    pending_.push_back(std::move(pending));
    runPending();
}

void RemoteControl::runPending()
{
    // A command that lets events run (loading a file does) must not start the next one inside it.
    if (running_) {
        retry_.start();
        return;
    }
    running_ = true;
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (QApplication::activeModalWidget())
            break;
        if (it->opensFile && !form_.Open1->isEnabled()) {
            ++it;
            continue;
        }
        const std::function<void()> step = std::move(it->step);
        it = pending_.erase(it);
        runGuarded(step);
        it = pending_.begin();   // the step may have let other requests in
    }
    running_ = false;
    if (pending_.empty())
        retry_.stop();
    else if (!retry_.isActive())
        retry_.start();
}

QString RemoteControl::status() const
{
    using State = RecordingSession::State;
    const RecordingSession::Status s = form_.Session->status();
    switch (s.state) {
    case State::Starting:
    case State::Recording:
        return QStringLiteral("recording %1 %2").arg(s.seconds).arg(s.file);
    case State::Paused:
        return QStringLiteral("paused %1 %2").arg(s.seconds).arg(s.file);
    case State::Armed: {
        const QString what = waitingFor(s);
        return what.isEmpty() ? QStringLiteral("waiting") : QStringLiteral("waiting ") + what;
    }
    case State::Stopped:
        break;
    }
    if (form_.IsPlaying && form_.PlayPaused)
        return QStringLiteral("paused %1 %2")
            .arg(form_.AudioPlayer1->SamplesToMilliseconds(form_.PositionOffset) / 1000)
            .arg(form_.PlayFileName);
    if (form_.IsPlaying)
        return QStringLiteral("playing ") + form_.PlayFileName;
    return QStringLiteral("stopped");
}
