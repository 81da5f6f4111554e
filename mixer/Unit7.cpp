#include "mixer/Unit7.h"

TfrmRecFlt* frmRecFlt = nullptr;

TfrmRecFlt::TfrmRecFlt(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Фильтр записи"));
    resize(380, 120);
}

TfrmRecFlt::~TfrmRecFlt()
{
    if (frmRecFlt == this)
        frmRecFlt = nullptr;
}
