#include "auxiliary/tip.h"

#include "app/Unit1.h"
#include "platform/ui/Guarded.h"
#include "platform/ui/MessageBoxes.h"
#include "settings/InterfaceLanguage.h"
#include "settings/SetupIni.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

// Our own picture: a light bulb.
QPixmap bulbPicture()
{
    QPixmap pm(40, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient glow(QPointF(17, 15), 16);
    glow.setColorAt(0, QColor(255, 255, 210));
    glow.setColorAt(1, QColor(250, 200, 40));
    p.setPen(QPen(QColor(150, 110, 0), 1.5));
    p.setBrush(glow);
    QPainterPath bulb;
    bulb.addEllipse(QRectF(6, 2, 28, 28));
    QPainterPath neck;
    neck.moveTo(13, 26);
    neck.lineTo(27, 26);
    neck.lineTo(25, 34);
    neck.lineTo(15, 34);
    neck.closeSubpath();
    p.drawPath(bulb.united(neck));
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(170, 170, 170));
    for (int i = 0; i < 3; ++i)
        p.drawRoundedRect(QRectF(14, 34 + i * 4, 12, 4), 1.5, 1.5);
    p.setBrush(QColor(80, 80, 80));
    p.drawEllipse(QRectF(17, 45, 6, 3));
    p.setPen(QPen(QColor(200, 140, 0), 1.2));
    p.drawLine(QPointF(17, 26), QPointF(18.5, 15));
    p.drawLine(QPointF(23, 26), QPointF(21.5, 15));
    return pm;
}

// tips.txt, or the tips in the interface's language beside it (tips_en.txt).
QString tipsPath()
{
    return LocalisedSideFile(QStringLiteral("tips.txt"));
}

}  // namespace

TTipForm::TTipForm(QWidget* parent) : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Совет"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(358, 295);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(8, 8, 8, 8);
    root->setSpacing(8);

    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::Panel);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setLineWidth(1);
    auto* bevelLayout = new QVBoxLayout(Bevel1);
    bevelLayout->setContentsMargins(1, 1, 1, 1);

    Panel1 = new QFrame(Bevel1);
    Panel1->setAutoFillBackground(true);
    QPalette white = Panel1->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::Base, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    white.setColor(QPalette::Text, Qt::black);
    Panel1->setPalette(white);
    bevelLayout->addWidget(Panel1);

    auto* panelLayout = new QHBoxLayout(Panel1);
    panelLayout->setContentsMargins(12, 12, 12, 12);
    panelLayout->setSpacing(12);
    Image1 = new QLabel(Panel1);
    Image1->setPixmap(bulbPicture());
    Image1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    panelLayout->addWidget(Image1, 0, Qt::AlignTop);

    auto* textColumn = new QVBoxLayout;
    textColumn->setSpacing(8);
    Label1 = new QLabel(tr("Вы знаете ..."), Panel1);
    QFont heading = Label1->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.35);
    Label1->setFont(heading);
    textColumn->addWidget(Label1);
    RichEdit1 = new QTextEdit(Panel1);
    RichEdit1->setReadOnly(true);
    RichEdit1->setFrameShape(QFrame::NoFrame);
    RichEdit1->setAcceptRichText(false);
    RichEdit1->document()->setDocumentMargin(0);
    RichEdit1->setPalette(white);
    RichEdit1->viewport()->setAutoFillBackground(true);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    textColumn->addWidget(RichEdit1, 1);
    panelLayout->addLayout(textColumn, 1);
    root->addWidget(Bevel1, 1);

    auto* bottom = new QHBoxLayout;
    CheckBox1 = new QCheckBox(tr("Показывать при запуске"), this);
    CheckBox1->setChecked(true);
    BtnNext = new QPushButton(tr("Далее совет"), this);
    BtnClose = new QPushButton(tr("Закрыть"), this);
    BtnClose->setDefault(true);
    bottom->addWidget(CheckBox1);
    bottom->addStretch(1);
    bottom->addWidget(BtnNext);
    bottom->addWidget(BtnClose);
    root->addLayout(bottom);

    connect(BtnNext, &QPushButton::clicked, this, guarded([this] { BtnNextClick(); }));
    connect(BtnClose, &QPushButton::clicked, this, guarded([this] { BtnCloseClick(); }));

    FormCreate();
}

TTipForm::~TTipForm() = default;

QStringList TTipForm::TipsOf(const QByteArray& text)
{
    QStringList tips;
    const QString all = QString::fromUtf8(text);
    for (QString line : all.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
        if (!line.isEmpty())
            tips << line;
    }
    return tips;
}

bool TTipForm::readTips(QStringList& tips)
{
    const QString path = tipsPath();
    QFile file(path);
    if (!file.exists()) {
        ShowMessage(QStringLiteral("File not found"));
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        ShowMessage(QStringLiteral("Unable to read %1").arg(path));
        return false;
    }
    tips = TipsOf(file.readAll());
    return true;
}

void TTipForm::FormCreate()
{
    int tipno = ReadTipNumber();
    CheckBox1->setChecked(ReadShowTip() == 1);

    QStringList tips;
    if (!readTips(tips)) {
        current_ = tipno;   // nothing shown: Close stores the number unchanged
        return;
    }
    count_ = int(tips.size());
    if (count_ == 0) {
        current_ = tipno;
        return;
    }
    if (tipno < 0)
        tipno = 0;          // a negative number starts again at the first tip
    if (tipno >= count_)
        tipno %= count_;
    current_ = tipno + 1;
    RichEdit1->setPlainText(tips.at(current_ - 1));
}

void TTipForm::BtnNextClick()
{
    QStringList tips;
    if (!readTips(tips))
        return;
    count_ = int(tips.size());
    if (count_ == 0)
        return;
    current_ = (current_ >= count_ || current_ < 1) ? 1 : current_ + 1;
    RichEdit1->setPlainText(tips.at(current_ - 1));
}

void TTipForm::BtnCloseClick()
{
    WriteTipKeys(current_, CheckBox1->isChecked());
    close();
}

void TTipForm::closeEvent(QCloseEvent* event)
{
    FormClose();
    QDialog::closeEvent(event);
}

void TTipForm::FormClose()
{
    if (Form1 && Form1->TipForm == this)
        Form1->TipForm = nullptr;
}
