// The signal picture. ShowArray does the analysis (a copy of the wave for the oscilloscope, the
// spectrum through FFTW, the spectrogram column); paintEvent only draws what it left.
#include "engine/controls/TAudioVisualization2.h"

#include "engine/EngineError.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include <fftw3.h>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kSilentDb = -200.0f;
constexpr double kMinFreq = 20.0;

// One real-to-complex transform of a fixed size, with its aligned buffers; made once per size.
class RealFft {
public:
    explicit RealFft(int n) : n_(n)
    {
        in_ = static_cast<float*>(fftwf_malloc(sizeof(float) * std::size_t(n)));
        out_ = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * std::size_t(n / 2 + 1)));
        if (!in_ || !out_) {
            release();
            throw EngineError(QStringLiteral("Cannot allocate the buffers of a %1-point spectrum transform (FFTW)").arg(n));
        }
        plan_ = fftwf_plan_dft_r2c_1d(n, in_, out_, FFTW_ESTIMATE);
        if (!plan_) {
            release();
            throw EngineError(QStringLiteral("FFTW could not plan a %1-point spectrum transform").arg(n));
        }
    }
    ~RealFft() { release(); }
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    int size() const { return n_; }
    float* input() { return in_; }
    const fftwf_complex* output() const { return out_; }
    void run() { fftwf_execute(plan_); }

private:
    void release()
    {
        if (plan_)
            fftwf_destroy_plan(plan_);
        if (in_)
            fftwf_free(in_);
        if (out_)
            fftwf_free(out_);
        plan_ = nullptr;
        in_ = nullptr;
        out_ = nullptr;
    }

    int n_;
    float* in_ = nullptr;
    fftwf_complex* out_ = nullptr;
    fftwf_plan plan_ = nullptr;
};

std::vector<float> makeWindow(int type, int n)
{
    std::vector<float> w(std::size_t(n), 1.0f);
    const double m = n - 1.0;
    for (int i = 0; i < n && n > 1; ++i) {
        double v = 1.0;
        switch (type) {
        case 1: {  // Welch
            const double t = (i - m / 2) / (m / 2 + 1);
            v = 1.0 - t * t;
            break;
        }
        case 2: v = 1.0 - std::abs(2.0 * i / m - 1.0); break;              // Bartlett
        case 3: v = 0.5 - 0.5 * std::cos(2 * kPi * i / m); break;          // Hanning
        case 4: v = 0.54 - 0.46 * std::cos(2 * kPi * i / m); break;        // Hamming
        default: break;                                                     // none
        }
        w[std::size_t(i)] = float(v);
    }
    return w;
}

// Fire palette: black, deep red, red, orange, yellow, white.
const std::array<QRgb, 256>& firePalette()
{
    static const std::array<QRgb, 256> palette = [] {
        std::array<QRgb, 256> p{};
        struct Stop { double at; int r, g, b; };
        const Stop stops[] = {{0, 0, 0, 0},        {0.22, 60, 0, 8},     {0.45, 170, 16, 0},
                              {0.65, 240, 90, 0},  {0.83, 255, 190, 30}, {1.0, 255, 255, 230}};
        for (int i = 0; i < 256; ++i) {
            const double t = i / 255.0;
            int k = 0;
            while (k < 4 && t > stops[k + 1].at)
                ++k;
            const Stop& a = stops[k];
            const Stop& b = stops[k + 1];
            const double u = (t - a.at) / (b.at - a.at);
            p[std::size_t(i)] = qRgb(int(a.r + (b.r - a.r) * u), int(a.g + (b.g - a.g) * u), int(a.b + (b.b - a.b) * u));
        }
        return p;
    }();
    return palette;
}

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
    int visType = 2;
    int gridYMin = 0, gridYMax = 100;
    QColor back = Qt::black, grid = QColor(112, 112, 112), scale, text;
    QColor left = Qt::red, right = QColor(0, 255, 0), border = Qt::black;
    bool gridVisible = true, scaleX = true, scaleY = true;
    int borderStyle = 0;
    int sampleRate = 44100;

    // Analysis.
    std::map<int, std::unique_ptr<RealFft>> ffts;  // one plan per transform size
    std::vector<float> window;
    int windowFor = -1, windowTypeFor = -1;
    double windowSum = 1;

    bool hasData = false;
    int channels = 0;
    std::array<std::vector<float>, 2> wave;      // de-interleaved frames of the last array
    std::array<std::vector<float>, 2> spectrum;  // dB per bin of the last array
    std::vector<float> falling;                  // bars: level per bin, falling slowly
    std::vector<float> peaks;                    // bars: peak caps per bin
    QImage spectrogram;                          // fire: one column per array, newest right

    // Layout of the last paint (the spectrogram is kept at this size).
    QRect plot;

    RealFft& fft(int n)
    {
        auto& slot = ffts[n];
        if (!slot)
            slot = std::make_unique<RealFft>(n);
        return *slot;
    }

    void prepareWindow(int n)
    {
        if (windowFor == n && windowTypeFor == fftType)
            return;
        window = makeWindow(fftType, n);
        windowSum = 0;
        for (float v : window)
            windowSum += v;
        if (windowSum <= 0)
            windowSum = 1;
        windowFor = n;
        windowTypeFor = fftType;
    }

    void clearAnalysis()
    {
        hasData = false;
        channels = 0;
        for (auto& v : wave)
            v.clear();
        for (auto& v : spectrum)
            v.clear();
        falling.clear();
        peaks.clear();
        if (!spectrogram.isNull())
            spectrogram.fill(back);
    }

    void analyse(const SampleArray& block);
    void pushSpectrogramColumn();

    // Vertical range in dB for the spectra and in amplitude for the wave.
    double dbLow() const { return (gridYMin < gridYMax ? gridYMin : 0) - 100.0; }
    double dbHigh() const { return (gridYMin < gridYMax ? gridYMax : 100) - 100.0; }
    double ampLow() const { return (gridYMin < gridYMax ? gridYMin : 0) / 50.0 - 1.0; }
    double ampHigh() const { return (gridYMin < gridYMax ? gridYMax : 100) / 50.0 - 1.0; }
    double maxFreq() const { return std::max(sampleRate / 2.0, kMinFreq * 2); }

    // Spectrum value (dB) for the frequency band [f0, f1) of one channel's bins; between bins
    // the neighbours are interpolated so that low frequencies of small transforms stay smooth.
    float bandDb(const std::vector<float>& bins, double f0, double f1) const
    {
        if (bins.empty())
            return kSilentDb;
        const double binHz = sampleRate / double((bins.size() - 1) * 2);
        const double k0 = f0 / binHz, k1 = f1 / binHz;
        const int last = int(bins.size()) - 1;
        int a = int(std::ceil(k0)), b = int(std::floor(k1));
        if (b >= a && a <= last) {
            float m = kSilentDb;
            for (int k = std::max(a, 0); k <= std::min(b, last); ++k)
                m = std::max(m, bins[std::size_t(k)]);
            return m;
        }
        const double kc = std::clamp((k0 + k1) / 2, 0.0, double(last));
        const int i = std::min(int(kc), last - 1);
        const double u = kc - i;
        return float(bins[std::size_t(i)] * (1 - u) + bins[std::size_t(i + 1)] * u);
    }
};

void TAudioVisualization2::Impl::analyse(const SampleArray& block)
{
    const int frames = block.frames();
    const int srcCh = block.channels();
    channels = std::min(srcCh, 2);
    const float* src = block.data();
    for (int c = 0; c < channels; ++c) {
        auto& w = wave[std::size_t(c)];
        w.resize(std::size_t(frames));
        for (int i = 0; i < frames; ++i) {
            const float v = src[std::size_t(i) * std::size_t(srcCh) + std::size_t(c)];
            w[std::size_t(i)] = std::isfinite(v) ? std::clamp(v, -1.0f, 1.0f) : 0.0f;
        }
    }
    for (int c = channels; c < 2; ++c)
        wave[std::size_t(c)].clear();

    // Spectrum: Welch's averaging of up to three half-overlapping transforms over the last
    // 2 x n frames (one zero-padded transform when fewer than n frames came).
    const int n = arraySize;
    RealFft& t = fft(n);
    prepareWindow(n);
    const int bins = n / 2 + 1;
    std::vector<int> starts;
    if (frames >= n) {
        const int first = std::max(0, frames - 2 * n);
        for (int s = first; s + n <= frames && starts.size() < 3; s += n / 2)
            starts.push_back(s);
    } else {
        starts.push_back(0);
    }
    const double norm = 2.0 / windowSum;
    std::vector<double> power(static_cast<std::size_t>(bins));
    for (int c = 0; c < channels; ++c) {
        std::fill(power.begin(), power.end(), 0.0);
        const auto& w = wave[std::size_t(c)];
        for (int s : starts) {
            float* in = t.input();
            const int avail = std::min(n, frames - s);
            for (int i = 0; i < avail; ++i)
                in[i] = w[std::size_t(s + i)] * window[std::size_t(i)];
            std::fill(in + avail, in + n, 0.0f);
            t.run();
            const fftwf_complex* out = t.output();
            for (int k = 0; k < bins; ++k)
                power[std::size_t(k)] += double(out[k][0]) * out[k][0] + double(out[k][1]) * out[k][1];
        }
        auto& spec = spectrum[std::size_t(c)];
        spec.resize(std::size_t(bins));
        for (int k = 0; k < bins; ++k) {
            const double amp = std::sqrt(power[std::size_t(k)] / double(starts.size())) * norm;
            spec[std::size_t(k)] = amp > 1e-10 ? float(20.0 * std::log10(amp)) : kSilentDb;
        }
    }
    for (int c = channels; c < 2; ++c)
        spectrum[std::size_t(c)].clear();

    // Bars fall 3.5 dB and caps 1.2 dB an array (about 44 and 15 dB a second at 80 ms a tick).
    if (int(falling.size()) != bins) {
        falling.assign(std::size_t(bins), kSilentDb);
        peaks.assign(std::size_t(bins), kSilentDb);
    }
    for (int k = 0; k < bins; ++k) {
        float v = spectrum[0][std::size_t(k)];
        if (channels > 1)
            v = std::max(v, spectrum[1][std::size_t(k)]);
        falling[std::size_t(k)] = std::max(v, falling[std::size_t(k)] - 3.5f);
        peaks[std::size_t(k)] = std::max(v, peaks[std::size_t(k)] - 1.2f);
    }
    hasData = frames > 0 && channels > 0;
    pushSpectrogramColumn();
}

void TAudioVisualization2::Impl::pushSpectrogramColumn()
{
    if (plot.width() < 2 || plot.height() < 2)
        return;
    if (spectrogram.size() != plot.size()) {
        spectrogram = QImage(plot.size(), QImage::Format_RGB32);
        spectrogram.fill(back);
    }
    const int w = spectrogram.width(), h = spectrogram.height();
    const int step = std::min(2, w);
    // Scroll left by one column step.
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(spectrogram.scanLine(y));
        std::memmove(line, line + step, sizeof(QRgb) * std::size_t(w - step));
    }
    const auto& pal = firePalette();
    const double lo = dbLow(), hi = dbHigh();
    const double fMax = maxFreq(), span = std::log(fMax / kMinFreq);
    for (int y = 0; y < h; ++y) {
        // Row y covers a band of frequencies, high at the top.
        const double f1 = kMinFreq * std::exp(span * (h - y) / h);
        const double f0 = kMinFreq * std::exp(span * (h - y - 1) / h);
        float db = bandDb(spectrum[0], f0, f1);
        if (channels > 1)
            db = std::max(db, bandDb(spectrum[1], f0, f1));
        const double u = std::clamp((db - lo) / (hi - lo), 0.0, 1.0);
        const QRgb c = pal[std::size_t(std::lround(u * 255))];
        auto* line = reinterpret_cast<QRgb*>(spectrogram.scanLine(y));
        for (int x = w - step; x < w; ++x)
            line[x] = c;
    }
}

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
    resize(360, 240);
}

TAudioVisualization2::~TAudioVisualization2() { delete d; }

void TAudioVisualization2::ShowArray(const SampleArray& block)
{
    d->plot = layoutOf(*this, *this).plot;
    if (block.isEmpty() || block.frames() == 0)
        d->clearAnalysis();
    else
        d->analyse(block);
    update();
}

int TAudioVisualization2::WindowArraySize() const { return d->arraySize; }
void TAudioVisualization2::setWindowArraySize(int n)
{
    // The transform sizes offered are 256, 1024 and 4096; anything else goes to the nearest.
    const int size = n <= 512 ? 256 : n <= 2048 ? 1024 : 4096;
    if (size == d->arraySize)
        return;
    d->arraySize = size;
    d->falling.clear();
    d->peaks.clear();
}

int TAudioVisualization2::WindowFFTType() const { return d->fftType; }
void TAudioVisualization2::setWindowFFTType(int t) { d->fftType = std::clamp(t, 0, 4); }

int TAudioVisualization2::VisType() const { return d->visType; }
void TAudioVisualization2::setVisType(int t)
{
    t = std::clamp(t, 0, 5);
    if (t == d->visType)
        return;
    d->visType = t;
    update();
}

int TAudioVisualization2::GridYMin() const { return d->gridYMin; }
void TAudioVisualization2::setGridYMin(int v) { d->gridYMin = v; update(); }
int TAudioVisualization2::GridYMax() const { return d->gridYMax; }
void TAudioVisualization2::setGridYMax(int v) { d->gridYMax = v; update(); }

QColor TAudioVisualization2::BackColor() const { return d->back; }
void TAudioVisualization2::setBackColor(const QColor& c) { d->back = c; update(); }
QColor TAudioVisualization2::GridColor() const { return d->grid; }
void TAudioVisualization2::setGridColor(const QColor& c) { d->grid = c; update(); }
QColor TAudioVisualization2::ScaleColor() const
{
    return d->scale.isValid() ? d->scale : palette().color(QPalette::Button);
}
void TAudioVisualization2::setScaleColor(const QColor& c) { d->scale = c; update(); }
QColor TAudioVisualization2::TextColor() const
{
    return d->text.isValid() ? d->text : palette().color(QPalette::ButtonText);
}
void TAudioVisualization2::setTextColor(const QColor& c) { d->text = c; update(); }
QColor TAudioVisualization2::LineColorLeft() const { return d->left; }
void TAudioVisualization2::setLineColorLeft(const QColor& c) { d->left = c; update(); }
QColor TAudioVisualization2::LineColorRight() const { return d->right; }
void TAudioVisualization2::setLineColorRight(const QColor& c) { d->right = c; update(); }
QColor TAudioVisualization2::BorderColor() const { return d->border; }
void TAudioVisualization2::setBorderColor(const QColor& c) { d->border = c; update(); }
bool TAudioVisualization2::GridVisible() const { return d->gridVisible; }
void TAudioVisualization2::setGridVisible(bool on) { d->gridVisible = on; update(); }
bool TAudioVisualization2::ScaleXVisible() const { return d->scaleX; }
void TAudioVisualization2::setScaleXVisible(bool on) { d->scaleX = on; update(); }
bool TAudioVisualization2::ScaleYVisible() const { return d->scaleY; }
void TAudioVisualization2::setScaleYVisible(bool on) { d->scaleY = on; update(); }
int TAudioVisualization2::BorderStyle() const { return d->borderStyle; }
void TAudioVisualization2::setBorderStyle(int s) { d->borderStyle = std::clamp(s, 0, 2); update(); }
int TAudioVisualization2::SampleRate() const { return d->sampleRate; }
void TAudioVisualization2::setSampleRate(int rate)
{
    if (rate < 1000 || rate > 768000 || rate == d->sampleRate)
        return;
    d->sampleRate = rate;
    if (!d->spectrogram.isNull())
        d->spectrogram.fill(d->back);
    update();
}

// ---------------------------------------------------------------------------------------------
// Drawing

namespace {

struct Tick {
    double pos;    // pixel
    QString text;  // empty: grid line only
};

QString freqText(double f)
{
    if (f >= 1000)
        return QStringLiteral("%1k").arg(f / 1000.0, 0, 'g', 3);
    return QString::number(int(std::lround(f)));
}

// "Nice" step for about `count` divisions of range.
double niceStep(double range, int count)
{
    const double raw = range / std::max(1, count);
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (raw <= m * mag)
            return m * mag;
    return 10 * mag;
}

}  // namespace

void TAudioVisualization2::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect all = rect();
    const Layout lay = layoutOf(*this, *this);
    const QRect inner = lay.inner;
    const QRect plot = lay.plot;
    const int scaleW = lay.scaleW, scaleH = lay.scaleH;
    p.setFont(lay.font);
    const QFontMetrics fm(lay.font);
    const bool plotChanged = plot.size() != d->plot.size();
    d->plot = plot;
    if (plotChanged && !d->spectrogram.isNull()) {
        // Keep what is there, stretched to the new size, rather than lose the history.
        d->spectrogram = d->spectrogram.scaled(plot.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)
                             .convertToFormat(QImage::Format_RGB32);
    }

    // Scale strips in the system button face, plot in BackColor.
    if (scaleW > 0 || scaleH > 0)
        p.fillRect(inner, ScaleColor());
    p.fillRect(plot, d->back);

    const int vis = d->visType;
    const double fMax = d->maxFreq();
    const double fSpan = std::log(fMax / kMinFreq);
    auto xOfFreq = [&](double f) { return plot.left() + std::log(std::max(f, kMinFreq) / kMinFreq) / fSpan * plot.width(); };
    auto yOfFreq = [&](double f) { return plot.bottom() + 1 - std::log(std::max(f, kMinFreq) / kMinFreq) / fSpan * plot.height(); };
    const double dbLo = d->dbLow(), dbHi = d->dbHigh();
    auto yOfDb = [&](double db) { return plot.bottom() + 1 - (std::clamp(db, dbLo, dbHi) - dbLo) / (dbHi - dbLo) * plot.height(); };
    const double aLo = d->ampLow(), aHi = d->ampHigh();
    auto yOfAmp = [&](double a) { return plot.bottom() + 1 - (std::clamp(a, aLo, aHi) - aLo) / (aHi - aLo) * plot.height(); };

    // Ticks of both axes, by style.
    std::vector<Tick> xt, yt;
    const int scopeFrames = d->arraySize;
    const double scopeMs = scopeFrames * 1000.0 / d->sampleRate;
    const std::array<double, 14> freqMarks = {50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000, 40000, 50000, 100000, 200000, 300000};
    auto freqTicks = [&](auto posOf, std::vector<Tick>& out) {
        for (double f : freqMarks)
            if (f < fMax)
                out.push_back({posOf(f), freqText(f)});
    };
    if (vis == 0) {
        const double step = niceStep(scopeMs, std::max(2, plot.width() / 60));
        for (double ms = 0; ms <= scopeMs + 1e-9; ms += step)
            xt.push_back({plot.left() + ms / scopeMs * plot.width(), QString::number(ms, 'g', 3)});
    } else if (vis == 3) {
        freqTicks(yOfFreq, yt);
    } else {
        freqTicks(xOfFreq, xt);
    }
    if (vis == 0) {
        const double step = niceStep((aHi - aLo) * 100, std::max(2, plot.height() / 28));
        for (double v = std::ceil(aLo * 100 / step) * step; v <= aHi * 100 + 1e-9; v += step)
            yt.push_back({yOfAmp(v / 100), QString::number(int(std::lround(v)))});
    } else if (vis == 4) {
        // Mirrored: the floor in the middle, 0 dB at top and bottom.
        const double step = niceStep(dbHi - dbLo, std::max(1, plot.height() / 56));
        const double mid = plot.top() + plot.height() / 2.0;
        for (double v = std::ceil(dbLo / step) * step; v <= dbHi + 1e-9; v += step) {
            const double u = (v - dbLo) / (dbHi - dbLo) * plot.height() / 2.0;
            yt.push_back({mid - u, QString::number(int(std::lround(v)))});
            if (u > 0.5)
                yt.push_back({mid + u, QString::number(int(std::lround(v)))});
        }
    } else if (vis != 3) {
        const double step = niceStep(dbHi - dbLo, std::max(2, plot.height() / 28));
        for (double v = std::ceil(dbLo / step) * step; v <= dbHi + 1e-9; v += step)
            yt.push_back({yOfDb(v), QString::number(int(std::lround(v)))});
    }

    // Content under the grid: the spectrogram.
    if (vis == 3 && d->hasData && !d->spectrogram.isNull())
        p.drawImage(plot.topLeft(), d->spectrogram);

    if (d->gridVisible) {
        QPen gp(d->grid, 1, Qt::DotLine);
        p.setPen(gp);
        for (const Tick& t : xt) {
            const int x = int(std::lround(t.pos));
            if (x > plot.left() && x < plot.right())
                p.drawLine(x, plot.top(), x, plot.bottom());
        }
        for (const Tick& t : yt) {
            const int y = int(std::lround(t.pos));
            if (y >= plot.top() && y <= plot.bottom())
                p.drawLine(plot.left(), y, plot.right(), y);
        }
        if (vis == 0 || vis == 4) {  // the zero line of the wave, the floor of the mirror
            p.setPen(QPen(d->grid, 1));
            const int y = vis == 0 ? int(std::lround(yOfAmp(0))) : plot.top() + plot.height() / 2;
            if (y >= plot.top() && y <= plot.bottom())
                p.drawLine(plot.left(), y, plot.right(), y);
        }
    }

    p.save();
    p.setClipRect(plot);
    p.setRenderHint(QPainter::Antialiasing);
    if (d->hasData) {
        const QColor colours[2] = {d->left, d->right};
        const int chs = d->channels;

        auto drawWave = [&](int alpha, qreal width) {
            // Triggered on the first rising zero crossing of the left channel in the first
            // half, so that a steady tone stands still.
            const auto& w0 = d->wave[0];
            const int total = int(w0.size());
            const int count = std::min(scopeFrames, total);
            int start = std::max(0, total - count);
            for (int i = 1; i + count <= total && i < total / 2 + 1; ++i)
                if (w0[std::size_t(i - 1)] < 0 && w0[std::size_t(i)] >= 0) {
                    start = i;
                    break;
                }
            for (int c = chs - 1; c >= 0; --c) {
                const auto& w = d->wave[std::size_t(c)];
                QColor col = colours[c];
                col.setAlpha(alpha);
                const double W = plot.width();
                if (count <= W * 2) {
                    QPolygonF line;
                    line.reserve(count);
                    for (int i = 0; i < count; ++i)
                        line << QPointF(plot.left() + (count > 1 ? i * W / (count - 1) : 0), yOfAmp(w[std::size_t(start + i)]));
                    p.setPen(QPen(col, width));
                    p.drawPolyline(line);
                } else {
                    // Dense: one upright line per pixel column from its lowest to its highest
                    // sample, joined to the column before (antialiasing buys nothing here).
                    const int columns = plot.width();
                    std::vector<QLine> spans;
                    spans.reserve(std::size_t(columns));
                    float prev = w[std::size_t(start)];
                    for (int x = 0; x < columns; ++x) {
                        const int a = start + int(std::int64_t(x) * count / columns);
                        const int b = start + int(std::int64_t(x + 1) * count / columns);
                        float lo = prev, hi = prev;
                        for (int i = a; i < b; ++i) {
                            lo = std::min(lo, w[std::size_t(i)]);
                            hi = std::max(hi, w[std::size_t(i)]);
                        }
                        if (b > a)
                            prev = w[std::size_t(b - 1)];
                        const int px = plot.left() + x;
                        spans.emplace_back(px, int(std::lround(yOfAmp(hi))), px, int(std::lround(yOfAmp(lo))));
                    }
                    p.save();
                    p.setRenderHint(QPainter::Antialiasing, false);
                    p.setPen(QPen(col, 1));
                    p.drawLines(spans.data(), int(spans.size()));
                    p.restore();
                }
            }
        };

        // Bands of the bar styles: count, and dB value (both channels, falling) of band i.
        auto barBands = [&](int barPitch) { return std::clamp(plot.width() / barPitch, 8, 160); };
        auto bandRange = [&](int i, int n) {
            return std::pair(kMinFreq * std::exp(fSpan * i / n), kMinFreq * std::exp(fSpan * (i + 1) / n));
        };

        switch (vis) {
        case 0:
            drawWave(255, 1.2);
            break;
        case 1: {  // a line per channel, with a faint fill under it
            for (int c = chs - 1; c >= 0; --c) {
                QPolygonF line;
                const int cols = plot.width();
                line.reserve(cols + 2);
                for (int x = 0; x < cols; ++x) {
                    const double f0 = kMinFreq * std::exp(fSpan * x / cols);
                    const double f1 = kMinFreq * std::exp(fSpan * (x + 1) / cols);
                    line << QPointF(plot.left() + x + 0.5, yOfDb(d->bandDb(d->spectrum[std::size_t(c)], f0, f1)));
                }
                QPolygonF area = line;
                area << QPointF(plot.right() + 1, plot.bottom() + 1) << QPointF(plot.left(), plot.bottom() + 1);
                QColor fill = colours[c];
                fill.setAlpha(40);
                p.setPen(Qt::NoPen);
                p.setBrush(fill);
                p.drawPolygon(area);
                p.setPen(QPen(colours[c], 1.2));
                p.setBrush(Qt::NoBrush);
                p.drawPolyline(line);
            }
            break;
        }
        case 2: {  // LED bars from the right colour at the floor through amber to the left colour
            p.setRenderHint(QPainter::Antialiasing, false);
            const int n = barBands(6);
            const double pitch = double(plot.width()) / n;
            const int barW = std::max(2, int(pitch * 0.72));
            QLinearGradient g(0, plot.bottom(), 0, plot.top());
            g.setColorAt(0.0, d->right);
            g.setColorAt(0.6, QColor(255, 210, 0));
            g.setColorAt(1.0, d->left);
            const int segH = 3;
            for (int i = 0; i < n; ++i) {
                auto [f0, f1] = bandRange(i, n);
                const double level = d->bandDb(d->falling, f0, f1);
                const double peak = d->bandDb(d->peaks, f0, f1);
                const int x = plot.left() + int(i * pitch + (pitch - barW) / 2);
                const int top = int(std::lround(yOfDb(level)));
                // Segments of segH pixels with a one-pixel gap, from the floor up.
                for (int y = plot.bottom() + 1 - segH; y + segH > top; y -= segH + 1)
                    p.fillRect(QRect(x, std::max(y, top), barW, std::min(segH, y + segH - top)), g);
                if (peak > dbLo) {
                    const int py = int(std::lround(yOfDb(peak)));
                    p.fillRect(QRect(x, std::max(plot.top(), py - 2), barW, 2), QColor(235, 235, 235));
                }
            }
            break;
        }
        case 3:
            break;  // the spectrogram is already there
        case 4: {  // glass: left channel up, right channel mirrored down, from the middle
            const int n = barBands(10);
            const double pitch = double(plot.width()) / n;
            const double barW = std::max(3.0, pitch * 0.8);
            const double mid = plot.top() + plot.height() / 2.0;
            const double half = plot.height() / 2.0;
            for (int c = 0; c < 2; ++c) {
                const auto& bins = d->spectrum[std::size_t(chs > 1 ? c : 0)];
                const QColor base = colours[chs > 1 ? c : 0];
                for (int i = 0; i < n; ++i) {
                    auto [f0, f1] = bandRange(i, n);
                    const double db = d->bandDb(bins, f0, f1);
                    const double u = std::clamp((db - dbLo) / (dbHi - dbLo), 0.0, 1.0) * half;
                    if (u < 0.5)
                        continue;
                    const double x = plot.left() + i * pitch + (pitch - barW) / 2;
                    const QRectF bar = c == 0 ? QRectF(x, mid - u, barW, u) : QRectF(x, mid, barW, u);
                    // The mirrored half is the reflection: fainter and fading away.
                    const int a = c == 0 ? 150 : 90;
                    QLinearGradient g(bar.topLeft(), bar.topRight());
                    QColor edge = base, core = base;
                    edge.setAlpha(a);
                    core = base.lighter(140);
                    core.setAlpha(a / 2);
                    g.setColorAt(0.0, edge);
                    g.setColorAt(0.35, core);
                    g.setColorAt(1.0, edge);
                    p.setPen(Qt::NoPen);
                    p.setBrush(g);
                    p.drawRect(bar);
                    // A glint along the left and a bright edge at the tip.
                    p.setBrush(QColor(255, 255, 255, c == 0 ? 70 : 35));
                    p.drawRect(QRectF(bar.left() + barW * 0.15, bar.top(), std::max(1.0, barW * 0.12), bar.height()));
                    QColor tip = base.lighter(160);
                    tip.setAlpha(c == 0 ? 230 : 120);
                    p.setPen(QPen(tip, 1.2));
                    const double ty = c == 0 ? bar.top() + 0.5 : bar.bottom() - 0.5;
                    p.drawLine(QPointF(bar.left(), ty), QPointF(bar.right(), ty));
                }
            }
            break;
        }
        case 5: {  // the spectrum as soft columns, the wave drawn over it
            p.setRenderHint(QPainter::Antialiasing, false);
            const int n = barBands(4);
            const double pitch = double(plot.width()) / n;
            QLinearGradient g(0, plot.bottom(), 0, plot.top());
            g.setColorAt(0.0, QColor(20, 60, 140, 200));
            g.setColorAt(1.0, QColor(110, 200, 255, 200));
            for (int i = 0; i < n; ++i) {
                auto [f0, f1] = bandRange(i, n);
                const int top = int(std::lround(yOfDb(d->bandDb(d->falling, f0, f1))));
                const int x0 = plot.left() + int(i * pitch), x1 = plot.left() + int((i + 1) * pitch) - 1;
                if (top <= plot.bottom())
                    p.fillRect(QRect(x0, top, std::max(1, x1 - x0), plot.bottom() + 1 - top), g);
            }
            p.setRenderHint(QPainter::Antialiasing, true);
            drawWave(230, 1.3);
            break;
        }
        default:
            break;
        }
    }
    p.restore();

    // Scale texts.
    p.setPen(TextColor());
    if (scaleH > 0) {
        const int y = plot.bottom() + 1;
        if (vis == 3) {
            // The fire colours against dB, as the x scale of the spectrogram.
            const int lw = fm.horizontalAdvance(QStringLiteral("-100 дБ")) + 4;
            const QRect bar(plot.left() + lw, y + 3, std::max(10, plot.width() - 2 * lw), scaleH - 5);
            QLinearGradient g(bar.topLeft(), bar.topRight());
            const auto& pal = firePalette();
            for (int i = 0; i <= 8; ++i)
                g.setColorAt(i / 8.0, QColor::fromRgb(pal[std::size_t(i * 255 / 8)]));
            p.fillRect(bar, g);
            p.drawText(QRect(plot.left(), y, lw - 2, scaleH), Qt::AlignRight | Qt::AlignVCenter,
                       QStringLiteral("%1 дБ").arg(int(dbLo)));
            p.drawText(QRect(bar.right() + 3, y, lw, scaleH), Qt::AlignLeft | Qt::AlignVCenter,
                       QStringLiteral("%1 дБ").arg(int(dbHi)));
        } else {
            int lastRight = plot.left() - 100;
            for (const Tick& t : xt) {
                const int tw = fm.horizontalAdvance(t.text);
                int x = int(std::lround(t.pos)) - tw / 2;
                x = std::clamp(x, plot.left(), plot.right() + 1 - tw);
                if (x <= lastRight + 4)
                    continue;
                p.drawText(QRect(x, y, tw, scaleH), Qt::AlignCenter, t.text);
                lastRight = x + tw;
            }
            const QString unit = vis == 0 ? QStringLiteral("мс") : QStringLiteral("Гц");
            if (scaleW > 0)
                p.drawText(QRect(inner.left(), y, scaleW - 2, scaleH), Qt::AlignRight | Qt::AlignVCenter, unit);
        }
    }
    if (scaleW > 0) {
        int lastBottom = -100;
        std::vector<Tick> sorted = yt;
        std::sort(sorted.begin(), sorted.end(), [](const Tick& a, const Tick& b) { return a.pos < b.pos; });
        const int th = fm.height();
        for (const Tick& t : sorted) {
            int y = int(std::lround(t.pos)) - th / 2;
            y = std::clamp(y, plot.top(), plot.bottom() + 1 - th);
            if (y < lastBottom)
                continue;
            p.drawText(QRect(inner.left(), y, scaleW - 4, th), Qt::AlignRight | Qt::AlignVCenter, t.text);
            lastBottom = y + th;
        }
    }

    // Border.
    if (d->borderStyle == 1) {
        p.setPen(QPen(d->border, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(all.adjusted(0, 0, -1, -1));
    } else if (d->borderStyle == 2) {
        const QPalette& pal = palette();
        p.setPen(pal.color(QPalette::Dark));
        p.drawLine(all.topLeft(), all.topRight());
        p.drawLine(all.topLeft(), all.bottomLeft());
        p.setPen(pal.color(QPalette::Light));
        p.drawLine(all.bottomLeft(), all.bottomRight());
        p.drawLine(all.topRight(), all.bottomRight());
        p.setPen(d->border);
        p.drawRect(all.adjusted(1, 1, -2, -2));
    }
}
