#pragma once
// The record filter window: three rows (notch, high-pass, low-pass), each a switch, a
// frequency slider in whole hertz and an edit box showing the same number. Every change is
// written to the main window's recorder at once; the recorder's values are loaded into the
// controls by the main window when it is first shown.
#include <QDialog>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSlider;

class TfrmRecFlt : public QDialog {
    Q_OBJECT
public:
    explicit TfrmRecFlt(QWidget* parent = nullptr);
    ~TfrmRecFlt() override;

    QCheckBox* CheckBox1 = nullptr;  QSlider* TrackBar1 = nullptr;  QLineEdit* Edit1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;  QSlider* TrackBar2 = nullptr;  QLineEdit* Edit2 = nullptr;
    QCheckBox* CheckBox3 = nullptr;  QSlider* TrackBar3 = nullptr;  QLineEdit* Edit3 = nullptr;
    QLabel* Label1 = nullptr;        QLabel* Label2 = nullptr;      QLabel* Label3 = nullptr;

    void CheckBox1Click();
    void CheckBox2Click();
    void CheckBox3Click();
    void TrackBar1Change();
    void TrackBar2Change();
    void TrackBar3Change();
    // Key filter of a frequency field. Returns false when the key was refused (it is dropped
    // and the default beep sounds); Enter applies the field as leaving it does.
    bool Edit1KeyPress(QChar& Key);
    bool Edit2KeyPress(QChar& Key);
    bool Edit3KeyPress(QChar& Key);
    void Edit1Exit();
    void Edit2Exit();
    void Edit3Exit();

    // The default beep; tests put a counter in its place.
    static std::function<void()>& beepHandler();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool AcceptsKey(QChar Key) const;
    bool keyPress(QChar& Key, void (TfrmRecFlt::*exitHandler)());
    void editExit(QLineEdit* edit, QSlider* bar);
};

extern TfrmRecFlt* frmRecFlt;
