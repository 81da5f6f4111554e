#include "app/rename.h"

TRenameForm* RenameForm = nullptr;

TRenameForm::TRenameForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Переименовать"));
    resize(306, 100);
}

TRenameForm::~TRenameForm()
{
    if (RenameForm == this)
        RenameForm = nullptr;
}
