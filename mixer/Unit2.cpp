#include "mixer/Unit2.h"
#include "app/Unit1.h"
#include "engine/EngineError.h"
#include "engine/TAudioPlayer2.h"
#include "engine/controls/TNCTEqualizer2.h"
#include "platform/ui/Guarded.h"
#include <QCheckBox>
#include <QPushButton>
#include <vector>

TfrmEQ* frmEQ = nullptr;

TfrmEQ::TfrmEQ(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmEQ"));
    setWindowTitle(tr("Эквалайзер"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    // A single border: the window keeps its design size (which is above the 310 x 130 minimum).
    setMinimumSize(310, 130);
    setFixedSize(340, 160);

    NCTEqualizer1 = new TNCTEqualizer2(this);
    NCTEqualizer1->setObjectName(QStringLiteral("NCTEqualizer1"));
    NCTEqualizer1->setGeometry(0, 0, 340, 118);

    BtnClose = new QPushButton(tr("Закрыть"), this);
    BtnClose->setObjectName(QStringLiteral("BtnClose"));
    BtnClose->setGeometry(136, 128, 75, 25);

    connect(NCTEqualizer1, &TNCTEqualizer2::OnValueChange, this,
            guarded([this](int band) { NCTEqualizer1ValueChange(band); }));
    connect(BtnClose, &QPushButton::clicked, this, guarded([this] { BtnCloseClick(); }));
}

TfrmEQ::~TfrmEQ()
{
    if (frmEQ == this)
        frmEQ = nullptr;
}

void TfrmEQ::NCTEqualizer1ValueChange(int /*Band*/)
{
    if (!Form1 || !Form1->AudioPlayer1)
        throw EngineError(QStringLiteral("The player does not exist"));
    // Every band goes to the player, whichever one moved.
    std::vector<float> bands(TNCTEqualizer2::BandCount);
    for (int k = 0; k < TNCTEqualizer2::BandCount; ++k)
        bands[static_cast<std::size_t>(k)] = NCTEqualizer1->Band(k + 1);
    Form1->AudioPlayer1->SetEqualizer(bands);

    QCheckBox* sw = Form1->chEqualizer;
    if (sw && sw->checkState() == Qt::PartiallyChecked) {
        sw->setCheckState(Qt::Checked);
        sw->setTristate(false);   // never grayed again
        Form1->AudioPlayer1->setEqualizerEnabled(true);
    }
}

void TfrmEQ::BtnCloseClick()
{
    close();
}
