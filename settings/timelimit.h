#pragma once
// The small dialog behind the automatic-stop button: no limit, or stop after hours, minutes
// and seconds. Opened only while no limit is set, created anew each time and deleted when it
// closes; it writes nothing to setup.ini.
#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TUpDown;

class TTimeLimitForm : public QDialog {
    Q_OBJECT
public:
    explicit TTimeLimitForm(QWidget* parent = nullptr);
    ~TTimeLimitForm() override;

    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* RBNoLimit = nullptr;
    QRadioButton* RBLimit = nullptr;
    QLineEdit* Edit1 = nullptr;  TUpDown* UpDown1 = nullptr;  QLabel* Label1 = nullptr;
    QLineEdit* Edit2 = nullptr;  TUpDown* UpDown2 = nullptr;  QLabel* Label2 = nullptr;
    QLineEdit* Edit3 = nullptr;  TUpDown* UpDown3 = nullptr;  QLabel* Label3 = nullptr;
    QPushButton* BtnOK = nullptr;
    QPushButton* BtnCancel = nullptr;

    void RBNoLimitClick();
    void RBLimitClick();
    void BtnOKClick();
    void BtnCancelClick();
    void FormClose();

protected:
    void closeEvent(QCloseEvent* event) override;
};
