#pragma once
// The signal picture. ShowArray takes 2 x WindowArraySize frames and draws them in the style
// VisType (0 oscilloscope, 1 line spectrum, 2 bar spectrum, 3..5 further styles); an empty
// array clears the picture. The spectrum uses WindowFFTType (0 none, 1 Welch, 2 Bartlett,
// 3 Hanning, 4 Hamming). Styles: 0 "Аналог" a triggered two-channel oscilloscope, 1 "Линейный"
// a line spectrum per channel, 2 "Нормальный" a bar spectrum with falling peaks, 3 "Огонь" a
// scrolling spectrogram in fire colours, 4 "Стекло" glass bars, left channel up and right
// channel mirrored down, 5 "Смесь" the spectrum with the oscilloscope over it. The vertical
// range is GridYMin..GridYMax percent of full scale: for spectra 0 % is -100 dBFS and 100 % is
// 0 dBFS, for the oscilloscope 0 % is -1 and 100 % is +1.
#include "engine/SampleArray.h"
#include <QColor>
#include <QWidget>

class TAudioVisualization2 : public QWidget {
    Q_OBJECT
public:
    explicit TAudioVisualization2(QWidget* parent = nullptr);
    ~TAudioVisualization2() override;

    // Takes the frames to show; they are analysed and drawn at the next paint, at most
    // MaxFramesPerSecond times a second. An array that tells its sample rate sets SampleRate
    // (the analysis and the scales follow it). An empty array clears the picture.
    void ShowArray(const SampleArray& block);
    void ShowArray(SampleArray&& block);   // the same, taking the frames over
    // True while the picture can be seen: shown, on a shown page, in a window that is neither
    // minimised nor covered by the window system. A caller may leave the frames out otherwise.
    bool Showing() const;
    static constexpr int MaxFramesPerSecond = 25;

    int WindowArraySize() const;  void setWindowArraySize(int n);   // 256, 1024 or 4096
    int WindowFFTType() const;    void setWindowFFTType(int t);
    int VisType() const;          void setVisType(int t);
    int GridYMin() const;         void setGridYMin(int v);
    int GridYMax() const;         void setGridYMax(int v);
    QColor BackColor() const;     void setBackColor(const QColor& c);
    QColor GridColor() const;     void setGridColor(const QColor& c);
    QColor ScaleColor() const;    void setScaleColor(const QColor& c);
    QColor TextColor() const;     void setTextColor(const QColor& c);
    QColor LineColorLeft() const; void setLineColorLeft(const QColor& c);
    QColor LineColorRight() const;void setLineColorRight(const QColor& c);
    QColor BorderColor() const;   void setBorderColor(const QColor& c);
    bool GridVisible() const;     void setGridVisible(bool on);
    bool ScaleXVisible() const;   void setScaleXVisible(bool on);
    bool ScaleYVisible() const;   void setScaleYVisible(bool on);
    int BorderStyle() const;      void setBorderStyle(int s);     // 0 none, 1 line, 2 sunken
    // Sample rate of the arrays shown, for the frequency scale (44100 until told otherwise).
    int SampleRate() const;       void setSampleRate(int rate);
    // The frequency the scale of the spectrum styles puts at column x of the widget.
    double frequencyAt(double x) const;

signals:
    void OnMouseClick(int X, int Y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void lookChanged();
    void frameDue();
    void showFrame();
    struct Impl;
    Impl* d;
};
