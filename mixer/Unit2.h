#pragma once
// The playback equaliser dialog: twelve band sliders whose values go to the main window's
// player whenever one of them moves. Created once at start and kept for the whole run, so the
// sliders keep their positions between showings.
#include <QDialog>

class QPushButton;
class TNCTEqualizer2;

class TfrmEQ : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEQ(QWidget* parent = nullptr);
    ~TfrmEQ() override;

    TNCTEqualizer2* NCTEqualizer1 = nullptr;
    QPushButton* BtnClose = nullptr;

    void NCTEqualizer1ValueChange(int Band);
    void BtnCloseClick();
};

extern TfrmEQ* frmEQ;
