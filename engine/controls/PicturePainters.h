#pragma once
// Drawing of the signal picture, one painter per display style. The picture widget keeps the
// state (properties, analysis, history) and hands each painter a PictureView: where the plot
// lies, how values map to pixels and what there is to draw. The axes painter draws what does
// not change from frame to frame (scale strips, grid, scale texts, border), which the widget
// keeps in a pixmap until its size or a property changes. A style may tell which pixels a new
// frame changes, so that only those are painted again (the bars do).
#include "engine/dsp/SpectrumAnalyser.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPalette>
#include <QRect>
#include <QRegion>
#include <QString>
#include <array>
#include <memory>
#include <vector>

class QPainter;

namespace picture {

constexpr double kMinFreq = 20.0;

// The look the properties give, and the geometry of one widget size.
struct Look {
    int visType = 2;
    int gridYMin = 0, gridYMax = 100;
    int sampleRate = 44100;
    int scopeFrames = 1024;   // frames the oscilloscope shows (the transform size)
    qreal dpr = 1;            // device pixels a pixel
    QColor back, grid, scale, text, left, right, border;
    bool gridVisible = true;
    int borderStyle = 0;
    QPalette palette;         // for the sunken border
    QFont font;               // 9 px caption font
    QRect all, inner, plot;   // widget, inside the border, inside the scales
    int scaleW = 0, scaleH = 0;

    double dbLow() const { return (gridYMin < gridYMax ? gridYMin : 0) - 100.0; }
    double dbHigh() const { return (gridYMin < gridYMax ? gridYMax : 100) - 100.0; }
    double ampLow() const { return (gridYMin < gridYMax ? gridYMin : 0) / 50.0 - 1.0; }
    double ampHigh() const { return (gridYMin < gridYMax ? gridYMax : 100) / 50.0 - 1.0; }
    double maxFreq() const;
    double freqSpan() const;   // log(maxFreq / kMinFreq)
    double xOfFreq(double f) const;
    double freqOfX(double x) const;   // the inverse of xOfFreq
    double yOfFreq(double f) const;
    double yOfDb(double db) const;
    double yOfAmp(double a) const;
};

// What the analysis and the history leave for drawing.
struct Frames {
    const SpectrumAnalyser* analysis = nullptr;
    std::vector<float> falling;   // bars: level per bin, falling slowly
    std::vector<float> peaks;     // bars: peak caps per bin
    QImage spectrogram;           // one column per frame, newest on the right

    int channels() const { return analysis ? analysis->channels() : 0; }
    const std::vector<float>& spectrum(int c) const { return analysis->spectrum(c); }
    const std::vector<float>& wave(int c) const { return analysis->wave(c); }
};

// Spectrum value (dB) of the band [f0, f1) of one channel's bins; between bins the neighbours
// are interpolated so that low frequencies of small transforms stay smooth.
float bandDb(const std::vector<float>& bins, double f0, double f1, int sampleRate);

// Scale strips, grid, scale texts and border; with withGrid false the grid is left out, and
// gridOnly draws nothing but the grid (over the spectrogram).
void paintAxes(QPainter& p, const Look& look, bool withGrid, bool gridOnly = false);

// One display style.
class StylePainter {
public:
    virtual ~StylePainter() = default;
    // Takes a new frame in: the part of the plot whose pixels it changes (all of it, unless
    // the style knows better).
    virtual QRegion advance(const Look& look, const Frames& frames);
    // Draws the frame into look.plot (the painter is clipped to it), where it meets `area`.
    virtual void paint(QPainter& p, const Look& look, const Frames& frames, const QRegion& area) = 0;
    // Forgets what was prepared for an earlier size, look or frame.
    virtual void reset() {}
    // True when paint() sets every pixel of the plot it is asked for (no axes under it).
    virtual bool coversPlot() const { return false; }
};

// The painter of a VisType 0..5.
std::unique_ptr<StylePainter> makeStylePainter(int visType);

// Fire palette of the spectrogram: black, deep red, red, orange, yellow, white.
const std::array<QRgb, 256>& firePalette();

// Pushes one column of the latest spectrum into the spectrogram (made at the plot's size).
void pushSpectrogramColumn(Frames& frames, const Look& look);

}  // namespace picture
