#pragma once
#include <QDialog>

class TRenameForm : public QDialog {
    Q_OBJECT
public:
    explicit TRenameForm(QWidget* parent = nullptr);
    ~TRenameForm() override;
};

extern TRenameForm* RenameForm;
