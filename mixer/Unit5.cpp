#include "mixer/Unit5.h"

TfrmAdv* frmAdv = nullptr;

TfrmAdv::TfrmAdv(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Диалог"));
    resize(390, 203);
}

TfrmAdv::~TfrmAdv()
{
    if (frmAdv == this)
        frmAdv = nullptr;
}
