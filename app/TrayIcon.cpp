#include "app/TrayIcon.h"

#include "app/RemoteControl.h"
#include "app/Unit1.h"
#include "settings/RecordingSettings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

enum class Mark { Record, Pause };

// The program's picture with a mark in its lower right quarter: a red dot while recording, two
// bars while paused.
QIcon marked(const QIcon& base, Mark mark)
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap = base.pixmap(size, size);
        if (pixmap.isNull()) {
            pixmap = QPixmap(size, size);
            pixmap.fill(Qt::transparent);
        }
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal d = size * 0.55;
        const QRectF r(size - d, size - d, d, d);
        p.setPen(QPen(Qt::white, std::max(1.0, size / 16.0)));
        if (mark == Mark::Record) {
            p.setBrush(QColor(220, 30, 30));
            p.drawEllipse(r.adjusted(1, 1, -1, -1));
        } else {
            p.setBrush(QColor(240, 170, 0));
            p.drawRoundedRect(r.adjusted(1, 1, -1, -1), d / 5, d / 5);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            const qreal w = d / 6;
            p.drawRect(QRectF(r.center().x() - 1.5 * w, r.top() + d / 4, w, d / 2));
            p.drawRect(QRectF(r.center().x() + 0.5 * w, r.top() + d / 4, w, d / 2));
        }
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

TrayIcon::TrayIcon(TForm1& form, RemoteControl& remote, QObject* parent)
    : QObject(parent), form_(form), remote_(remote)
{
    using S = RecordingSession;
    connect(form.Session.get(), &S::started, this, [this] { update(); });
    connect(form.Session.get(), &S::paused, this, [this] { update(); });
    connect(form.Session.get(), &S::resumed, this, [this] { update(); });
    connect(form.Session.get(), &S::stopped, this, [this] { update(); });
    connect(form.Session.get(), &S::ticked, this, [this] { update(); });
    connect(&form, &TForm1::SettingsChanged, this, [this] { apply(); });
    form.installEventFilter(this);
}

TrayIcon::~TrayIcon()
{
    form_.removeEventFilter(this);
}

bool TrayIcon::shown() const
{
    return icon_ && icon_->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::apply()
{
    // With the window in the tray, a message box closing must not end the program because no
    // window is left on the screen; the window's own close ends it then.
    QGuiApplication::setQuitOnLastWindowClosed(RecordingSettings.TrayIcon != 1);
    if (RecordingSettings.TrayIcon != 1) {
        icon_.reset();
        menu_.reset();
        return;
    }
    if (icon_)
        return;
    idle_ = form_.windowIcon();
    recording_ = marked(idle_, Mark::Record);
    paused_ = marked(idle_, Mark::Pause);
    menu_ = std::make_unique<QMenu>();
    record_ = menu_->addAction(tr("Записать"), this, [this] { remote_.action(QStringLiteral("record")); });
    stop_ = menu_->addAction(tr("Остановить"), this, [this] { remote_.action(QStringLiteral("stop")); });
    menu_->addAction(tr("Показать окно"), this, [this] { remote_.activate(); });
    menu_->addSeparator();
    menu_->addAction(tr("Выход"), this, [this] { remote_.run([this] { form_.Exit1Click(); }); });
    icon_ = std::make_unique<QSystemTrayIcon>();
    icon_->setContextMenu(menu_.get());
    connect(icon_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
        if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick)
            remote_.activate();
    });
    tip_.clear();
    look_ = -1;
    update();
    icon_->show();
}

void TrayIcon::update()
{
    if (!icon_)
        return;
    using State = RecordingSession::State;
    const RecordingSession::Status s = form_.Session->status();
    const bool recording = s.state == State::Recording || s.state == State::Starting;
    QString tip = QStringLiteral("Tavrin");
    if (recording)
        tip = tr("Tavrin: идёт запись, %1").arg(TForm1::DurationText(int(s.seconds)));
    else if (s.state == State::Paused)
        tip = tr("Tavrin: запись на паузе, %1").arg(TForm1::DurationText(int(s.seconds)));
    if (tip != tip_) {   // ticks come often; the tip changes once a second
        tip_ = tip;
        icon_->setToolTip(tip);
    }
    record_->setEnabled(!recording);
    stop_->setEnabled(s.state != State::Stopped);
    const int look = recording ? 1 : s.state == State::Paused ? 2 : 0;
    if (look != look_) {
        look_ = look;
        icon_->setIcon(look == 1 ? recording_ : look == 2 ? paused_ : idle_);
    }
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event)
{
    // The window's close box while a recording runs, with the icon there to come back by: the
    // window goes to the tray. The Exit command and a termination request still close it.
    if (watched != &form_ || event->type() != QEvent::Close)
        return QObject::eventFilter(watched, event);
    if (event->spontaneous() && shown() && form_.Session->state() != RecordingSession::State::Stopped) {
        event->ignore();
        form_.hide();
        return true;
    }
    if (!QGuiApplication::quitOnLastWindowClosed())
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);   // the window closes, and the program with it
    return QObject::eventFilter(watched, event);
}
