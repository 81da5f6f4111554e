#pragma once
// What the small dialogs of the settings (the settings, automatic-stop and automatic-start
// dialogs) have in common: a fixed frame deleted when it closes, the row of OK and Cancel
// under the groups, and the reading of their number fields with the Information box that
// tells of a bad one.
#include <QDialog>

class QHBoxLayout;
class QLineEdit;
class QPushButton;
class TUpDown;

class TOkCancelDialog : public QDialog {
    Q_OBJECT
public:
    QPushButton* BtnOK = nullptr;
    QPushButton* BtnCancel = nullptr;

    virtual void BtnOKClick() = 0;
    void BtnCancelClick();   // closes, as the frame's close button does
    virtual void FormClose() = 0;   // runs on every close

protected:
    explicit TOkCancelDialog(QWidget* parent);
    ~TOkCancelDialog() override;

    // "Да" (the default button) and "Отмена", centred, at least 75 pixels wide each; their
    // clicks run BtnOKClick and BtnCancelClick.
    QHBoxLayout* buildButtons();
    void closeEvent(QCloseEvent* event) override;
};

// Arrows for a number field, beside it in the field's parent: they step from low to high by
// step.
TUpDown* NewUpDown(QLineEdit* edit, int low, int high, int step);

// The field's number within [low, high]. False, with "Please input correct integer number!"
// or "<what> must be from <low> to <high>!" in the Information box, when it is not one.
bool ReadNumberField(const QLineEdit& edit, int low, int high, const QString& what, int& value);

// Hours, minutes and seconds fields as a number of seconds (settings/NumberFields.h:
// ReadTimeFields). False, with "Please input correct integer number!" in the Information
// box, for a bad field.
bool ReadTimeFields(const QLineEdit& hours, const QLineEdit& minutes, const QLineEdit& seconds, int& total);
