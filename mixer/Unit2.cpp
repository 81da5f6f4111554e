#include "mixer/Unit2.h"

TfrmEQ* frmEQ = nullptr;

TfrmEQ::TfrmEQ(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Эквалайзер"));
    resize(340, 160);
}

TfrmEQ::~TfrmEQ()
{
    if (frmEQ == this)
        frmEQ = nullptr;
}
