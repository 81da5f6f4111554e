#pragma once
// Helpers for the window-control tests: one QApplication for the whole program (offscreen unless
// a platform is chosen), synthetic mouse and key events, and pixel counting on rendered images.
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <functional>
#include <tuple>
#include <vector>

namespace controls_test {

inline QApplication& app()
{
    static int argc = 1;
    static char name[] = "test_controls";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: tearing it down among the exit handlers crashes in Qt's device registry.
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

// Fixtures whose members are widgets derive from this first, so that the application exists
// before the members are made (a test run alone by ctest has no earlier test to make it).
struct WithApp {
    WithApp() { app(); }
};

// The widget that paints and takes the input inside a control (its first child widget).
inline QWidget* face(QWidget* control)
{
    return control->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
}

inline void mouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent e(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void key(QWidget* w, QEvent::Type type, int k, bool autoRepeat = false)
{
    QKeyEvent e(type, k, Qt::NoModifier, QString(), autoRepeat);
    QApplication::sendEvent(w, &e);
}

inline QImage render(QWidget* w)
{
    QImage img(w->size(), QImage::Format_ARGB32);
    img.fill(Qt::magenta);
    w->render(&img);
    return img;
}

// What the window system shows of a top-level widget: the content of its backing store, as
// its paints left it (render() paints it all afresh instead).
inline QImage onScreen(QWidget* w)
{
    return w->screen()->grabWindow(w->winId()).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Calls back with the region of every paint event of one widget.
class PaintWatch : public QObject {
public:
    PaintWatch(QWidget* w, std::function<void(const QRegion&)> seen) : seen_(std::move(seen)) { w->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            seen_(static_cast<QPaintEvent*>(e)->region());
        return false;
    }

private:
    std::function<void(const QRegion&)> seen_;
};

// Pixels inside r that differ between two images of the same size.
inline int differingPixels(const QImage& a, const QImage& b, QRect r)
{
    r = r.intersected(a.rect());
    if (a.size() != b.size() || a.format() != QImage::Format_ARGB32 || b.format() != QImage::Format_ARGB32)
        return r.width() * r.height();
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = r.left(); x <= r.right(); ++x)
            n += la[x] != lb[x];
    }
    return n;
}

// Records every emission of one signal (a stand-in for QSignalSpy).
template <typename... Args>
class Spy {
public:
    template <typename Sender, typename Signal>
    Spy(Sender* sender, Signal signal)
    {
        QObject::connect(sender, signal, &context_, [this](Args... args) { calls.emplace_back(args...); });
    }
    int count() const { return static_cast<int>(calls.size()); }
    std::vector<std::tuple<Args...>> calls;

private:
    QObject context_;
};

}  // namespace controls_test
