#pragma once
// The rename dialog of the file list: a new name for the selected row's file. The extension
// cannot be changed; the edit keeps the text typed last between uses.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TRenameForm : public QDialog {
    Q_OBJECT
public:
    explicit TRenameForm(QWidget* parent = nullptr);
    ~TRenameForm() override;

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* BtnOK = nullptr;
    QPushButton* BtnCancel = nullptr;

    void Edit1KeyPress(QChar& Key);   // Enter (character 13) clicks BtnOK
    void BtnOKClick();
    void BtnCancelClick();

    // The name the file gets when `typed` is entered for `oldName`: the typed text without its
    // extension, followed by the old extension (dot included).
    static QString NewFileName(const QString& typed, const QString& oldName);
};

extern TRenameForm* RenameForm;
