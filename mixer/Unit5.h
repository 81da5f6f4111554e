#pragma once
// The advanced dialog of one mixer line: a check box for every switch and a slider with a
// label for every level that the line offers beyond volume, balance and mute/select. The line
// is the one the engine's srcIndex selects when the dialog is shown (the strip's handler sets
// it); IsInput chooses the engine: the recorder for an input line, the player otherwise.
#include <QDialog>
#include <QList>
#include <QPointer>

class QGroupBox;
class QLabel;
class QPushButton;

class TfrmAdv : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAdv(QWidget* parent = nullptr);
    ~TfrmAdv() override;

    QLabel* Image2 = nullptr;
    QLabel* Label2 = nullptr;
    QGroupBox* gbOther = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* btnClose = nullptr;

    bool IsInput = false;

    void FormShow();
    void AdvancedCheckClick(QObject* Sender);
    void AdvancedTrackChange(QObject* Sender);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void selectLine();
    int line_ = -1;                         // the engine line the dialog was built for
    QList<QPointer<QWidget>> generated_;    // the controls FormShow made
};

extern TfrmAdv* frmAdv;
