#include "engine/controls/PicturePainters.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace picture {

double Look::maxFreq() const { return std::max(sampleRate / 2.0, kMinFreq * 2); }
double Look::freqSpan() const { return std::log(maxFreq() / kMinFreq); }
double Look::xOfFreq(double f) const
{
    return plot.left() + std::log(std::max(f, kMinFreq) / kMinFreq) / freqSpan() * plot.width();
}
double Look::freqOfX(double x) const
{
    return kMinFreq * std::exp((x - plot.left()) / std::max(1, plot.width()) * freqSpan());
}
double Look::yOfFreq(double f) const
{
    return plot.bottom() + 1 - std::log(std::max(f, kMinFreq) / kMinFreq) / freqSpan() * plot.height();
}
double Look::yOfDb(double db) const
{
    const double lo = dbLow(), hi = dbHigh();
    return plot.bottom() + 1 - (std::clamp(db, lo, hi) - lo) / (hi - lo) * plot.height();
}
double Look::yOfAmp(double a) const
{
    const double lo = ampLow(), hi = ampHigh();
    return plot.bottom() + 1 - (std::clamp(a, lo, hi) - lo) / (hi - lo) * plot.height();
}

float bandDb(const std::vector<float>& bins, double f0, double f1, int sampleRate)
{
    if (bins.size() < 2)
        return SpectrumAnalyser::SilentDb;
    const double binHz = sampleRate / double((bins.size() - 1) * 2);
    const double k0 = f0 / binHz, k1 = f1 / binHz;
    const int last = int(bins.size()) - 1;
    const int a = int(std::ceil(k0)), b = int(std::floor(k1));
    if (b >= a && a <= last) {
        float m = SpectrumAnalyser::SilentDb;
        for (int k = std::max(a, 0); k <= std::min(b, last); ++k)
            m = std::max(m, bins[std::size_t(k)]);
        return m;
    }
    const double kc = std::clamp((k0 + k1) / 2, 0.0, double(last));
    const int i = std::min(int(kc), last - 1);
    const double u = kc - i;
    return float(bins[std::size_t(i)] * (1 - u) + bins[std::size_t(i + 1)] * u);
}

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

void pushSpectrogramColumn(Frames& frames, const Look& look)
{
    const QRect& plot = look.plot;
    if (plot.width() < 2 || plot.height() < 2)
        return;
    QImage& img = frames.spectrogram;
    if (img.size() != plot.size()) {
        img = QImage(plot.size(), QImage::Format_RGB32);
        img.fill(look.back);
    }
    const int w = img.width(), h = img.height();
    const int step = std::min(2, w);
    for (int y = 0; y < h; ++y) {   // scroll left by one column step
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        std::memmove(line, line + step, sizeof(QRgb) * std::size_t(w - step));
    }
    const auto& pal = firePalette();
    const double lo = look.dbLow(), hi = look.dbHigh();
    const double span = look.freqSpan();
    const int chs = frames.channels();
    for (int y = 0; y < h; ++y) {
        // Row y covers a band of frequencies, high at the top.
        const double f1 = kMinFreq * std::exp(span * (h - y) / h);
        const double f0 = kMinFreq * std::exp(span * (h - y - 1) / h);
        float db = chs > 0 ? bandDb(frames.spectrum(0), f0, f1, look.sampleRate) : SpectrumAnalyser::SilentDb;
        if (chs > 1)
            db = std::max(db, bandDb(frames.spectrum(1), f0, f1, look.sampleRate));
        const double u = std::clamp((db - lo) / (hi - lo), 0.0, 1.0);
        const QRgb c = pal[std::size_t(std::lround(u * 255))];
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = w - step; x < w; ++x)
            line[x] = c;
    }
}

// ---- axes ------------------------------------------------------------------------------------

namespace {

struct Tick {
    double pos;    // pixel
    QString text;
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

double scopeMs(const Look& look) { return look.scopeFrames * 1000.0 / look.sampleRate; }

void ticksOf(const Look& look, std::vector<Tick>& xt, std::vector<Tick>& yt)
{
    const QRect& plot = look.plot;
    const int vis = look.visType;
    const double fMax = look.maxFreq();
    static constexpr double freqMarks[] = {50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000, 40000, 50000, 100000, 200000, 300000};
    if (vis == 0) {
        const double ms = scopeMs(look);
        const double step = niceStep(ms, std::max(2, plot.width() / 60));
        for (double t = 0; t <= ms + 1e-9; t += step)
            xt.push_back({plot.left() + t / ms * plot.width(), QString::number(t, 'g', 3)});
    } else {
        for (double f : freqMarks)
            if (f < fMax)
                (vis == 3 ? yt : xt).push_back({vis == 3 ? look.yOfFreq(f) : look.xOfFreq(f), freqText(f)});
    }
    const double dbLo = look.dbLow(), dbHi = look.dbHigh();
    if (vis == 0) {
        const double aLo = look.ampLow(), aHi = look.ampHigh();
        const double step = niceStep((aHi - aLo) * 100, std::max(2, plot.height() / 28));
        for (double v = std::ceil(aLo * 100 / step) * step; v <= aHi * 100 + 1e-9; v += step)
            yt.push_back({look.yOfAmp(v / 100), QString::number(int(std::lround(v)))});
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
            yt.push_back({look.yOfDb(v), QString::number(int(std::lround(v)))});
    }
}

void paintGrid(QPainter& p, const Look& look, const std::vector<Tick>& xt, const std::vector<Tick>& yt)
{
    const QRect& plot = look.plot;
    p.setPen(QPen(look.grid, 1, Qt::DotLine));
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
    if (look.visType == 0 || look.visType == 4) {   // the zero line of the wave, the floor of the mirror
        p.setPen(QPen(look.grid, 1));
        const int y = look.visType == 0 ? int(std::lround(look.yOfAmp(0))) : plot.top() + plot.height() / 2;
        if (y >= plot.top() && y <= plot.bottom())
            p.drawLine(plot.left(), y, plot.right(), y);
    }
}

}  // namespace

void paintAxes(QPainter& p, const Look& look, bool withGrid, bool gridOnly)
{
    std::vector<Tick> xt, yt;
    ticksOf(look, xt, yt);
    if (gridOnly) {
        if (look.gridVisible)
            paintGrid(p, look, xt, yt);
        return;
    }
    const QRect& plot = look.plot;
    const QRect& inner = look.inner;
    const int scaleW = look.scaleW, scaleH = look.scaleH;
    if (scaleW > 0 || scaleH > 0)
        p.fillRect(inner, look.scale);
    p.fillRect(plot, look.back);
    if (withGrid && look.gridVisible)
        paintGrid(p, look, xt, yt);

    p.setFont(look.font);
    const QFontMetrics fm(look.font);
    p.setPen(look.text);
    if (scaleH > 0) {
        const int y = plot.bottom() + 1;
        if (look.visType == 3) {
            // The fire colours against dB, as the x scale of the spectrogram.
            const int lw = fm.horizontalAdvance(QStringLiteral("-100 дБ")) + 4;
            const QRect bar(plot.left() + lw, y + 3, std::max(10, plot.width() - 2 * lw), scaleH - 5);
            QLinearGradient g(bar.topLeft(), bar.topRight());
            const auto& pal = firePalette();
            for (int i = 0; i <= 8; ++i)
                g.setColorAt(i / 8.0, QColor::fromRgb(pal[std::size_t(i * 255 / 8)]));
            p.fillRect(bar, g);
            p.drawText(QRect(plot.left(), y, lw - 2, scaleH), Qt::AlignRight | Qt::AlignVCenter,
                       QStringLiteral("%1 дБ").arg(int(look.dbLow())));
            p.drawText(QRect(bar.right() + 3, y, lw, scaleH), Qt::AlignLeft | Qt::AlignVCenter,
                       QStringLiteral("%1 дБ").arg(int(look.dbHigh())));
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
            const QString unit = look.visType == 0 ? QStringLiteral("мс") : QStringLiteral("Гц");
            if (scaleW > 0)
                p.drawText(QRect(inner.left(), y, scaleW - 2, scaleH), Qt::AlignRight | Qt::AlignVCenter, unit);
        }
    }
    if (scaleW > 0) {
        int lastBottom = -100;
        std::sort(yt.begin(), yt.end(), [](const Tick& a, const Tick& b) { return a.pos < b.pos; });
        const int th = fm.height();
        for (const Tick& t : yt) {
            int y = int(std::lround(t.pos)) - th / 2;
            y = std::clamp(y, plot.top(), plot.bottom() + 1 - th);
            if (y < lastBottom)
                continue;
            p.drawText(QRect(inner.left(), y, scaleW - 4, th), Qt::AlignRight | Qt::AlignVCenter, t.text);
            lastBottom = y + th;
        }
    }

    const QRect& all = look.all;
    if (look.borderStyle == 1) {
        p.setPen(QPen(look.border, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(all.adjusted(0, 0, -1, -1));
    } else if (look.borderStyle == 2) {
        p.setPen(look.palette.color(QPalette::Dark));
        p.drawLine(all.topLeft(), all.topRight());
        p.drawLine(all.topLeft(), all.bottomLeft());
        p.setPen(look.palette.color(QPalette::Light));
        p.drawLine(all.bottomLeft(), all.bottomRight());
        p.drawLine(all.topRight(), all.bottomRight());
        p.setPen(look.border);
        p.drawRect(all.adjusted(1, 1, -2, -2));
    }
}

// ---- the styles ------------------------------------------------------------------------------

QRegion StylePainter::advance(const Look& look, const Frames&) { return look.plot; }

namespace {

// Bands of the bar styles: their count for a pitch, and the frequencies of band i of n.
int barBands(const Look& look, int barPitch) { return std::clamp(look.plot.width() / barPitch, 8, 160); }
std::pair<double, double> bandRange(const Look& look, int i, int n)
{
    const double span = look.freqSpan();
    return {kMinFreq * std::exp(span * i / n), kMinFreq * std::exp(span * (i + 1) / n)};
}

// The wave of both channels, triggered on the first rising zero crossing of the left channel in
// the first half, so that a steady tone stands still.
void paintWave(QPainter& p, const Look& look, const Frames& f, int alpha, qreal width)
{
    const QRect& plot = look.plot;
    const QColor colours[2] = {look.left, look.right};
    const auto& w0 = f.wave(0);
    const int total = int(w0.size());
    const int count = std::min(look.scopeFrames, total);
    int start = std::max(0, total - count);
    for (int i = 1; i + count <= total && i < total / 2 + 1; ++i)
        if (w0[std::size_t(i - 1)] < 0 && w0[std::size_t(i)] >= 0) {
            start = i;
            break;
        }
    for (int c = f.channels() - 1; c >= 0; --c) {
        const auto& w = f.wave(c);
        QColor col = colours[c];
        col.setAlpha(alpha);
        const double W = plot.width();
        if (count <= W * 2) {
            QPolygonF line;
            line.reserve(count);
            for (int i = 0; i < count; ++i)
                line << QPointF(plot.left() + (count > 1 ? i * W / (count - 1) : 0), look.yOfAmp(w[std::size_t(start + i)]));
            p.setPen(QPen(col, width));
            p.drawPolyline(line);
        } else {
            // Dense: one upright line per pixel column from its lowest to its highest sample,
            // joined to the column before (antialiasing buys nothing here).
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
                spans.emplace_back(px, int(std::lround(look.yOfAmp(hi))), px, int(std::lround(look.yOfAmp(lo))));
            }
            p.save();
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(QPen(col, 1));
            p.drawLines(spans.data(), int(spans.size()));
            p.restore();
        }
    }
}

// 0 "Аналог": a triggered two-channel oscilloscope.
class ScopePainter : public StylePainter {
public:
    void paint(QPainter& p, const Look& look, const Frames& f, const QRegion&) override { paintWave(p, look, f, 255, 1.2); }
};

// 1 "Линейный": a line per channel, with a faint fill under it.
class LinePainter : public StylePainter {
public:
    void paint(QPainter& p, const Look& look, const Frames& f, const QRegion&) override
    {
        const QRect& plot = look.plot;
        const QColor colours[2] = {look.left, look.right};
        const double span = look.freqSpan();
        for (int c = f.channels() - 1; c >= 0; --c) {
            QPolygonF line;
            const int cols = plot.width();
            line.reserve(cols + 2);
            for (int x = 0; x < cols; ++x) {
                const double f0 = kMinFreq * std::exp(span * x / cols);
                const double f1 = kMinFreq * std::exp(span * (x + 1) / cols);
                line << QPointF(plot.left() + x + 0.5, look.yOfDb(bandDb(f.spectrum(c), f0, f1, look.sampleRate)));
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
    }
};

// 2 "Нормальный": LED bars from the right colour at the floor through amber to the left colour,
// with falling peak caps. Two pictures are drawn once: the axes, and the axes with every bar
// fully lit over them (the grid shows between the segments). The painter keeps the frame it
// shows as an image: a new frame copies into it, row by row, only the rows of each bar between
// its old and new level (from the lit picture or the axes) and the caps that moved, and the
// widget repaints those rows.
class BarsPainter : public StylePainter {
public:
    void reset() override
    {
        frame_ = QImage();
        shown_.clear();
    }

    QRegion advance(const Look& look, const Frames& f) override
    {
        std::vector<Bar> next = barsOf(look, f);
        if (frame_.isNull() || next.size() != shown_.size()) {
            prepare(look, next);
            return look.plot;
        }
        // The rows each bar changes are composed at once and gathered, for the repaint, in
        // bands of kBandRows: a band holds one rectangle per run of neighbouring bars that
        // change in it. (A rectangle for each bar's own rows would make a region of thousands,
        // each painted and sent to the screen by itself.)
        const QRect& plot = look.plot;
        const int w = barWidth(look);
        const int bands = (plot.height() + kBandRows - 1) / kBandRows;
        const std::size_t n = next.size();
        touched_.assign(std::size_t(bands) * n, 0);
        const auto change = [&](std::size_t bar, const Bar& b, int y0, int y1) {   // rows [y0, y1)
            y0 = std::max(y0, plot.top());
            y1 = std::min(y1, plot.bottom() + 1);
            if (y0 >= y1)
                return;
            compose(look, b, y0, y1);
            for (int band = (y0 - plot.top()) / kBandRows; band <= (y1 - 1 - plot.top()) / kBandRows; ++band)
                touched_[std::size_t(band) * n + bar] = 1;
        };
        for (std::size_t i = 0; i < n; ++i) {
            const Bar& a = shown_[i];
            const Bar& b = next[i];
            if (a.top != b.top)
                change(i, b, std::min(a.top, b.top), std::max(a.top, b.top));
            if (a.cap != b.cap)
                for (const Bar* c : {&a, &b})
                    if (c->cap != kNoCap) {
                        const QRect r = capRect(look, *c, w);
                        change(i, b, r.top(), r.bottom() + 1);
                    }
        }
        std::vector<QRect> rects;
        for (int band = 0; band < bands; ++band) {
            const int top = plot.top() + band * kBandRows;
            const int height = std::min(kBandRows, plot.bottom() + 1 - top);
            const char* row = touched_.data() + std::size_t(band) * n;
            for (std::size_t i = 0; i < n;) {
                if (!row[i]) {
                    ++i;
                    continue;
                }
                std::size_t j = i;
                while (j + 1 < n && row[j + 1])
                    ++j;
                rects.emplace_back(next[i].x, top, next[j].x + w - next[i].x, height);
                i = j + 1;
            }
        }
        shown_ = std::move(next);
        QRegion changed;
        changed.setRects(rects.data(), int(rects.size()));
        return changed;
    }

    bool coversPlot() const override { return true; }

    void paint(QPainter& p, const Look& look, const Frames& f, const QRegion& area) override
    {
        if (frame_.isNull() || frame_.devicePixelRatio() != look.dpr)
            prepare(look, barsOf(look, f));
        for (const QRect& r : area) {
            const QRect part = r & look.plot;
            if (!part.isEmpty())
                p.drawImage(part, frame_, devicePixels(look, part));
        }
    }

private:
    static constexpr int kNoCap = -1000000;
    static constexpr int kBandRows = 16;
    struct Bar {
        int x = 0;
        int top = 0;        // first lit row; the plot's floor for an empty bar
        int cap = kNoCap;   // row of the peak cap's lower edge
    };

    static int bandCount(const Look& look) { return barBands(look, 6); }
    static int barWidth(const Look& look)
    {
        return std::max(2, int(double(look.plot.width()) / bandCount(look) * 0.72));
    }
    static QRect capRect(const Look& look, const Bar& b, int w)
    {
        return QRect(b.x, std::max(look.plot.top(), b.cap - 2), w, 2);
    }
    static int device(const Look& look, int logical) { return int(std::lround(logical * look.dpr)); }
    static QRect devicePixels(const Look& look, const QRect& r)
    {
        return QRect(QPoint(device(look, r.left()), device(look, r.top())),
                     QPoint(device(look, r.right() + 1) - 1, device(look, r.bottom() + 1) - 1));
    }

    static std::vector<Bar> barsOf(const Look& look, const Frames& f)
    {
        const QRect& plot = look.plot;
        const int n = bandCount(look);
        const double pitch = double(plot.width()) / n;
        const int w = barWidth(look);
        const double dbLo = look.dbLow();
        std::vector<Bar> bars{std::size_t(n)};
        for (int i = 0; i < n; ++i) {
            auto [f0, f1] = bandRange(look, i, n);
            const double level = bandDb(f.falling, f0, f1, look.sampleRate);
            const double peak = bandDb(f.peaks, f0, f1, look.sampleRate);
            Bar& b = bars[std::size_t(i)];
            b.x = plot.left() + int(i * pitch + (pitch - w) / 2);
            b.top = std::clamp(int(std::lround(look.yOfDb(level))), plot.top(), plot.bottom() + 1);
            b.cap = peak > dbLo ? int(std::lround(look.yOfDb(peak))) : kNoCap;
        }
        return bars;
    }

    // Rows [y0, y1) of bar b as the frame shows them: lit from its level down, the axes above,
    // the cap over both.
    void compose(const Look& look, const Bar& b, int y0, int y1)
    {
        const int w = barWidth(look);
        const int x0 = device(look, b.x), x1 = device(look, b.x + w);
        const int litFrom = device(look, b.top);
        const QRect cap = b.cap != kNoCap ? capRect(look, b, w) : QRect();
        const int capFrom = cap.isNull() ? 0 : device(look, cap.top());
        const int capTo = cap.isNull() ? 0 : device(look, cap.bottom() + 1);
        const std::size_t bytes = sizeof(QRgb) * std::size_t(x1 - x0);
        for (int y = device(look, y0), end = device(look, y1); y < end; ++y) {
            auto* to = reinterpret_cast<QRgb*>(frame_.scanLine(y)) + x0;
            if (y >= capFrom && y < capTo) {
                std::fill_n(to, x1 - x0, qRgb(235, 235, 235));
                continue;
            }
            const QImage& from = y >= litFrom ? lit_ : axes_;
            std::memcpy(to, reinterpret_cast<const QRgb*>(from.constScanLine(y)) + x0, bytes);
        }
    }

    // The axes, the lit picture and the frame of `bars`, for this look.
    void prepare(const Look& look, std::vector<Bar> bars)
    {
        const QRect& plot = look.plot;
        axes_ = QImage(look.all.size() * look.dpr, QImage::Format_RGB32);
        axes_.setDevicePixelRatio(look.dpr);
        axes_.fill(look.back);
        {
            QPainter ap(&axes_);
            paintAxes(ap, look, true);
        }
        lit_ = axes_.copy();
        lit_.setDevicePixelRatio(look.dpr);
        QPainter lp(&lit_);
        QLinearGradient g(0, plot.bottom(), 0, plot.top());
        g.setColorAt(0.0, look.right);
        g.setColorAt(0.6, QColor(255, 210, 0));
        g.setColorAt(1.0, look.left);
        const int w = barWidth(look);
        // Segments of segH pixels with a one-pixel gap, from the floor up.
        const int segH = 3;
        for (const Bar& b : bars)
            for (int y = plot.bottom() + 1 - segH; y + segH > plot.top(); y -= segH + 1) {
                const int top = std::max(y, plot.top());
                lp.fillRect(QRect(b.x, top, w, y + segH - top), g);
            }
        frame_ = axes_.copy();
        frame_.setDevicePixelRatio(look.dpr);
        for (const Bar& b : bars)
            compose(look, b, plot.top(), plot.bottom() + 1);
        shown_ = std::move(bars);
    }

    QImage axes_, lit_, frame_;
    std::vector<Bar> shown_;    // the bars the frame shows
    std::vector<char> touched_;
};

// 3 "Огонь": the scrolling spectrogram; the widget draws it under the grid.
class SpectrogramPainter : public StylePainter {
public:
    void paint(QPainter&, const Look&, const Frames&, const QRegion&) override {}
};

// 4 "Стекло": glass bars, the left channel up and the right channel mirrored down.
class GlassPainter : public StylePainter {
public:
    void paint(QPainter& p, const Look& look, const Frames& f, const QRegion&) override
    {
        const QRect& plot = look.plot;
        const int chs = f.channels();
        const QColor colours[2] = {look.left, look.right};
        const int n = barBands(look, 10);
        const double pitch = double(plot.width()) / n;
        const double barW = std::max(3.0, pitch * 0.8);
        const double mid = plot.top() + plot.height() / 2.0;
        const double half = plot.height() / 2.0;
        const double dbLo = look.dbLow(), dbHi = look.dbHigh();
        for (int c = 0; c < 2; ++c) {
            const auto& bins = f.spectrum(chs > 1 ? c : 0);
            const QColor base = colours[chs > 1 ? c : 0];
            for (int i = 0; i < n; ++i) {
                auto [f0, f1] = bandRange(look, i, n);
                const double db = bandDb(bins, f0, f1, look.sampleRate);
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
    }
};

// 5 "Смесь": the spectrum as soft columns, the wave drawn over it.
class MixPainter : public StylePainter {
public:
    void paint(QPainter& p, const Look& look, const Frames& f, const QRegion&) override
    {
        const QRect& plot = look.plot;
        p.setRenderHint(QPainter::Antialiasing, false);
        const int n = barBands(look, 4);
        const double pitch = double(plot.width()) / n;
        QLinearGradient g(0, plot.bottom(), 0, plot.top());
        g.setColorAt(0.0, QColor(20, 60, 140, 200));
        g.setColorAt(1.0, QColor(110, 200, 255, 200));
        const QBrush brush(g);
        for (int i = 0; i < n; ++i) {
            auto [f0, f1] = bandRange(look, i, n);
            const int top = int(std::lround(look.yOfDb(bandDb(f.falling, f0, f1, look.sampleRate))));
            const int x0 = plot.left() + int(i * pitch), x1 = plot.left() + int((i + 1) * pitch) - 1;
            if (top <= plot.bottom())
                p.fillRect(QRect(x0, top, std::max(1, x1 - x0), plot.bottom() + 1 - top), brush);
        }
        p.setRenderHint(QPainter::Antialiasing, true);
        paintWave(p, look, f, 230, 1.3);
    }
};

}  // namespace

std::unique_ptr<StylePainter> makeStylePainter(int visType)
{
    switch (visType) {
    case 0: return std::make_unique<ScopePainter>();
    case 1: return std::make_unique<LinePainter>();
    case 3: return std::make_unique<SpectrogramPainter>();
    case 4: return std::make_unique<GlassPainter>();
    case 5: return std::make_unique<MixPainter>();
    default: return std::make_unique<BarsPainter>();
    }
}

}  // namespace picture
