// The signal picture. ShowArray keeps the frames; the paint analyses the latest of them
// (SpectrumAnalyser), advances the history (falling bars, the spectrogram) and draws: the axes
// from a pixmap kept until the size or a property changes, then the style's painter.
#include "engine/controls/TAudioVisualization2.h"

#include "engine/controls/PicturePainters.h"
#include "engine/dsp/SpectrumAnalyser.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QElapsedTimer>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

// Reports a left click as OnMouseClick without the widget overriding the mouse handlers.
class ClickReporter : public QObject {
public:
    explicit ClickReporter(TAudioVisualization2* owner) : QObject(owner), owner_(owner) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (watched == owner_ && e->type() == QEvent::MouseButtonRelease) {
            auto* me = static_cast<QMouseEvent*>(e);
            const QPoint pt = me->position().toPoint();
            if (me->button() == Qt::LeftButton && owner_->rect().contains(pt))
                emit owner_->OnMouseClick(pt.x(), pt.y());
        }
        return false;
    }

private:
    TAudioVisualization2* owner_;
};

}  // namespace

struct TAudioVisualization2::Impl {
    // Properties.
    int arraySize = 1024;
    int fftType = 0;
    QColor scale, text;   // invalid: the palette's
    bool scaleX = true, scaleY = true;
    // The other properties live in the look (below).

    // Frames waiting for the next paint.
    std::vector<float> pending;
    int pendingChannels = 0;
    bool hasPending = false;

    SpectrumAnalyser analysis;
    picture::Frames frames;
    bool hasData = false;
    std::unique_ptr<picture::StylePainter> painter = picture::makeStylePainter(2);

    // What is drawn once: the look of the current size and the axes in it.
    picture::Look look = [] {
        picture::Look l;
        l.back = Qt::black;
        l.grid = QColor(112, 112, 112);
        l.left = Qt::red;
        l.right = QColor(0, 255, 0);
        l.border = Qt::black;
        return l;
    }();
    bool lookDirty = true;
    QPixmap axes;        // scale strips, grid (not for the spectrogram), texts, border
    QPixmap gridOver;    // the spectrogram's grid, drawn over it

    QElapsedTimer sinceFrame;   // the last frame drawn
    QTimer* frameTimer = nullptr;

    void clearAnalysis()
    {
        hasData = false;
        hasPending = false;
        analysis.clear();
        frames.falling.clear();
        frames.peaks.clear();
        if (!frames.spectrogram.isNull())
            frames.spectrogram.fill(look.back);
        painter->reset();
    }

    // Analyses the frames waiting and lets the style take them in: the part of the picture
    // that changes. (Only once the look is laid out; before that the next paint does it.)
    QRegion takeFrame()
    {
        if (!hasPending)
            return {};
        analysePending();
        return hasData ? painter->advance(look, frames) : QRegion(look.plot);
    }

    void analysePending()
    {
        hasPending = false;
        const int frameCount = pendingChannels > 0 ? int(pending.size()) / pendingChannels : 0;
        analysis.analyse(pending.data(), frameCount, pendingChannels);
        const int bins = analysis.bins();
        const int chs = analysis.channels();
        // Bars fall 3.5 dB and caps 1.2 dB a frame (about 44 and 15 dB a second at 80 ms a tick).
        if (int(frames.falling.size()) != bins) {
            frames.falling.assign(std::size_t(bins), SpectrumAnalyser::SilentDb);
            frames.peaks.assign(std::size_t(bins), SpectrumAnalyser::SilentDb);
        }
        if (chs > 0) {
            const auto& s0 = analysis.spectrum(0);
            const auto& s1 = analysis.spectrum(chs > 1 ? 1 : 0);
            for (int k = 0; k < bins; ++k) {
                const float v = std::max(s0[std::size_t(k)], s1[std::size_t(k)]);
                frames.falling[std::size_t(k)] = std::max(v, frames.falling[std::size_t(k)] - 3.5f);
                frames.peaks[std::size_t(k)] = std::max(v, frames.peaks[std::size_t(k)] - 1.2f);
            }
        }
        hasData = frameCount > 0 && chs > 0;
        if (look.visType == 3)
            picture::pushSpectrogramColumn(frames, look);
    }
};

namespace {

struct Layout {
    QFont font;
    QRect inner;  // inside the border
    QRect plot;   // inside the scales
    int scaleW = 0, scaleH = 0;
};

Layout layoutOf(const QWidget& w, const TAudioVisualization2& v)
{
    Layout l;
    l.font = w.font();
    l.font.setPixelSize(9);
    const QFontMetrics fm(l.font);
    const int bw = v.BorderStyle() == 0 ? 0 : v.BorderStyle() == 1 ? 1 : 2;
    l.inner = w.rect().adjusted(bw, bw, -bw, -bw);
    l.scaleW = v.ScaleYVisible() ? fm.horizontalAdvance(QStringLiteral("-100")) + 8 : 0;
    l.scaleH = v.ScaleXVisible() ? fm.height() + 3 : 0;
    l.plot = l.inner.adjusted(l.scaleW, 0, 0, -l.scaleH);
    if (l.plot.width() < 4 || l.plot.height() < 4) {
        l.plot = l.inner;
        l.scaleW = l.scaleH = 0;
    }
    return l;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TAudioVisualization2::TAudioVisualization2(QWidget* parent) : QWidget(parent), d(new Impl)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    installEventFilter(new ClickReporter(this));
    d->frames.analysis = &d->analysis;
    d->analysis.setSize(d->arraySize);
    d->analysis.setWindow(d->fftType);
    d->frameTimer = new QTimer(this);
    d->frameTimer->setSingleShot(true);
    connect(d->frameTimer, &QTimer::timeout, this, [this] { showFrame(); });
    resize(360, 240);
}

TAudioVisualization2::~TAudioVisualization2() { delete d; }

void TAudioVisualization2::ShowArray(const SampleArray& block)
{
    if (block.isEmpty() || block.frames() == 0) {
        d->clearAnalysis();
        d->frameTimer->stop();
        update();
        return;
    }
    setSampleRate(block.sampleRate());
    d->pending.assign(block.samples().begin(), block.samples().end());
    d->pendingChannels = block.channels();
    frameDue();
}

void TAudioVisualization2::ShowArray(SampleArray&& block)
{
    if (block.isEmpty() || block.frames() == 0) {
        ShowArray(static_cast<const SampleArray&>(block));
        return;
    }
    setSampleRate(block.sampleRate());
    d->pending.swap(block.samples());
    d->pendingChannels = block.channels();
    frameDue();
}

void TAudioVisualization2::frameDue()
{
    d->hasPending = true;
    // At most MaxFramesPerSecond frames: a frame due sooner waits for its turn.
    constexpr qint64 minGap = 1000 / MaxFramesPerSecond;
    const qint64 since = d->sinceFrame.isValid() ? d->sinceFrame.elapsed() : minGap;
    if (since >= minGap)
        showFrame();
    else if (!d->frameTimer->isActive())
        d->frameTimer->start(int(minGap - since));
}

void TAudioVisualization2::showFrame()
{
    d->sinceFrame.start();
    if (d->lookDirty) {   // laid out afresh at the paint, which takes the frame in then
        update();
        return;
    }
    // A new frame changes the plot only, and of it what the style says; the axes around it
    // stay as they are on the screen.
    const QRegion changed = d->takeFrame();
    if (!changed.isEmpty())
        update(changed);
}

bool TAudioVisualization2::Showing() const
{
    if (!isVisible())
        return false;
    const QWidget* top = window();
    if (top->isMinimized())
        return false;
    const QWindow* handle = top->windowHandle();
    return handle && handle->isExposed();
}

void TAudioVisualization2::lookChanged()
{
    d->lookDirty = true;
    update();
}

void TAudioVisualization2::resizeEvent(QResizeEvent* event)
{
    d->lookDirty = true;
    QWidget::resizeEvent(event);
}

void TAudioVisualization2::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        d->lookDirty = true;
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

int TAudioVisualization2::WindowArraySize() const { return d->arraySize; }
void TAudioVisualization2::setWindowArraySize(int n)
{
    // The transform sizes offered are 256, 1024 and 4096; anything else goes to the nearest.
    const int size = n <= 512 ? 256 : n <= 2048 ? 1024 : 4096;
    if (size == d->arraySize)
        return;
    d->arraySize = size;
    d->analysis.setSize(size);
    d->frames.falling.clear();
    d->frames.peaks.clear();
    d->lookDirty = true;
}

int TAudioVisualization2::WindowFFTType() const { return d->fftType; }
void TAudioVisualization2::setWindowFFTType(int t)
{
    d->fftType = std::clamp(t, 0, 4);
    d->analysis.setWindow(d->fftType);
}

int TAudioVisualization2::VisType() const { return d->look.visType; }
void TAudioVisualization2::setVisType(int t)
{
    t = std::clamp(t, 0, 5);
    if (t == d->look.visType)
        return;
    d->look.visType = t;
    d->painter = picture::makeStylePainter(t);
    if (t == 3 && !d->frames.spectrogram.isNull())
        d->frames.spectrogram.fill(d->look.back);
    lookChanged();
}

int TAudioVisualization2::GridYMin() const { return d->look.gridYMin; }
void TAudioVisualization2::setGridYMin(int v) { d->look.gridYMin = v; lookChanged(); }
int TAudioVisualization2::GridYMax() const { return d->look.gridYMax; }
void TAudioVisualization2::setGridYMax(int v) { d->look.gridYMax = v; lookChanged(); }

QColor TAudioVisualization2::BackColor() const { return d->look.back; }
void TAudioVisualization2::setBackColor(const QColor& c) { d->look.back = c; lookChanged(); }
QColor TAudioVisualization2::GridColor() const { return d->look.grid; }
void TAudioVisualization2::setGridColor(const QColor& c) { d->look.grid = c; lookChanged(); }
QColor TAudioVisualization2::ScaleColor() const
{
    return d->scale.isValid() ? d->scale : palette().color(QPalette::Button);
}
void TAudioVisualization2::setScaleColor(const QColor& c) { d->scale = c; lookChanged(); }
QColor TAudioVisualization2::TextColor() const
{
    return d->text.isValid() ? d->text : palette().color(QPalette::ButtonText);
}
void TAudioVisualization2::setTextColor(const QColor& c) { d->text = c; lookChanged(); }
QColor TAudioVisualization2::LineColorLeft() const { return d->look.left; }
void TAudioVisualization2::setLineColorLeft(const QColor& c) { d->look.left = c; lookChanged(); }
QColor TAudioVisualization2::LineColorRight() const { return d->look.right; }
void TAudioVisualization2::setLineColorRight(const QColor& c) { d->look.right = c; lookChanged(); }
QColor TAudioVisualization2::BorderColor() const { return d->look.border; }
void TAudioVisualization2::setBorderColor(const QColor& c) { d->look.border = c; lookChanged(); }
bool TAudioVisualization2::GridVisible() const { return d->look.gridVisible; }
void TAudioVisualization2::setGridVisible(bool on) { d->look.gridVisible = on; lookChanged(); }
bool TAudioVisualization2::ScaleXVisible() const { return d->scaleX; }
void TAudioVisualization2::setScaleXVisible(bool on) { d->scaleX = on; lookChanged(); }
bool TAudioVisualization2::ScaleYVisible() const { return d->scaleY; }
void TAudioVisualization2::setScaleYVisible(bool on) { d->scaleY = on; lookChanged(); }
int TAudioVisualization2::BorderStyle() const { return d->look.borderStyle; }
void TAudioVisualization2::setBorderStyle(int s) { d->look.borderStyle = std::clamp(s, 0, 2); lookChanged(); }
int TAudioVisualization2::SampleRate() const { return d->look.sampleRate; }
void TAudioVisualization2::setSampleRate(int rate)
{
    if (rate < 1000 || rate > 768000 || rate == d->look.sampleRate)
        return;
    d->look.sampleRate = rate;
    if (!d->frames.spectrogram.isNull())
        d->frames.spectrogram.fill(d->look.back);
    lookChanged();
}

double TAudioVisualization2::frequencyAt(double x) const
{
    picture::Look l = d->look;
    l.plot = layoutOf(*this, *this).plot;
    return l.freqOfX(x);
}

// ---------------------------------------------------------------------------------------------
// Drawing

void TAudioVisualization2::paintEvent(QPaintEvent* event)
{
    const qreal dpr = devicePixelRatioF();
    if (d->lookDirty || d->axes.size() != size() * dpr) {
        const Layout lay = layoutOf(*this, *this);
        picture::Look& l = d->look;
        const QSize oldPlot = l.plot.size();
        l.scopeFrames = d->arraySize;
        l.dpr = dpr;
        l.scale = ScaleColor();
        l.text = TextColor();
        l.palette = palette();
        l.font = lay.font;
        l.all = rect();
        l.inner = lay.inner;
        l.plot = lay.plot;
        l.scaleW = lay.scaleW;
        l.scaleH = lay.scaleH;
        if (l.plot.size() != oldPlot && !d->frames.spectrogram.isNull()) {
            // Keep what is there, stretched to the new size, rather than lose the history.
            d->frames.spectrogram = d->frames.spectrogram
                                        .scaled(l.plot.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)
                                        .convertToFormat(QImage::Format_RGB32);
        }
        d->axes = QPixmap(size() * dpr);
        d->axes.setDevicePixelRatio(dpr);
        {
            QPainter ap(&d->axes);
            picture::paintAxes(ap, l, l.visType != 3);
        }
        d->gridOver = QPixmap();
        if (l.visType == 3 && l.gridVisible) {
            d->gridOver = QPixmap(size() * dpr);
            d->gridOver.setDevicePixelRatio(dpr);
            d->gridOver.fill(Qt::transparent);
            QPainter gp(&d->gridOver);
            picture::paintAxes(gp, l, true, true);
        }
        d->painter->reset();
        d->lookDirty = false;
    }
    const QRegion& area = event->region();
    if (d->hasPending) {
        // A paint before the frame was taken in (an exposure, a render): whatever the frame
        // changes beyond this paint follows.
        const QRegion rest = d->takeFrame() - area;
        if (!rest.isEmpty())
            update(rest);
    }

    QPainter p(this);
    const QRect plot = d->look.plot;
    const bool covered = d->hasData && d->painter->coversPlot();   // the style paints the plot itself
    const QRegion axes = covered ? area - QRegion(plot) : area;
    for (const QRect& r : axes)
        p.drawPixmap(r, d->axes, QRectF(QPointF(r.topLeft()) * dpr, QSizeF(r.size()) * dpr));
    if (d->look.visType == 3 && d->hasData && !d->frames.spectrogram.isNull()) {
        p.drawImage(plot.topLeft(), d->frames.spectrogram);
        if (!d->gridOver.isNull())
            p.drawPixmap(0, 0, d->gridOver);
    }
    if (covered) {
        d->painter->paint(p, d->look, d->frames, area);
    } else if (d->hasData && area.intersects(plot)) {
        p.save();
        p.setClipRect(plot);
        p.setRenderHint(QPainter::Antialiasing);
        d->painter->paint(p, d->look, d->frames, area);
        p.restore();
    }
}
