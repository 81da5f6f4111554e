#include "auxiliary/Unit4.h"

#include "app/Unit1.h"
#include "auxiliary/LinkLabel.h"
#include "auxiliary/Links.h"
#include "auxiliary/ProgramIcon.h"
#include "platform/Ini.h"
#include "platform/ProgramFolder.h"
#include "platform/ui/Guarded.h"
#include "platform/ui/ShellOpen.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QFrame* band(QWidget* parent)
{
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::StyledPanel);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::WindowStaysOnTopHint);

    auto* root = new QVBoxLayout(this);
    root->setSizeConstraint(QLayout::SetFixedSize);
    root->setContentsMargins(10, 10, 10, 10);
    root->setSpacing(8);

    // Top band: icon and heading
    QFrame* top = band(this);
    auto* topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(10, 8, 16, 8);
    topLayout->setSpacing(12);
    ProgramIcon = new QLabel(top);
    ProgramIcon->setPixmap(::ProgramIcon().pixmap(QSize(48, 48), devicePixelRatioF()));
    Label1 = new QLabel(top);
    QFont heading = Label1->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.5);
    Label1->setFont(heading);
    topLayout->addWidget(ProgramIcon);
    topLayout->addWidget(Label1, 1);
    root->addWidget(top);

    // Middle band: rows of a title and a value
    QFrame* middle = band(this);
    auto* grid = new QGridLayout(middle);
    grid->setContentsMargins(12, 8, 16, 8);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(6);
    Label2 = new QLabel(QStringLiteral("Версия"), middle);
    Label3 = new QLabel(middle);
    Label4 = new QLabel(QStringLiteral("Домашняя страница"), middle);
    Label5 = new TLinkLabel(QString(), middle);
    Label6 = new QLabel(QStringLiteral("Technology Support"), middle);
    Label7 = new TLinkLabel(QStringLiteral("Technology Support"), middle);
    grid->addWidget(Label2, 0, 0);
    grid->addWidget(Label3, 0, 1);
    grid->addWidget(Label4, 1, 0);
    grid->addWidget(Label5, 1, 1);
    grid->addWidget(Label6, 2, 0);
    grid->addWidget(Label7, 2, 1);
    grid->setColumnStretch(1, 1);
    root->addWidget(middle);

    // Bottom band: notice and the button
    auto* bottom = new QHBoxLayout;
    Notice = new QLabel(QStringLiteral("Tavrin — свободная программа записи звука."), this);
    BtnClose = new QPushButton(QStringLiteral("Закрыть"), this);
    BtnClose->setDefault(true);
    BtnClose->setMinimumWidth(75);
    bottom->addWidget(Notice, 1);
    bottom->addSpacing(12);
    bottom->addWidget(BtnClose);
    root->addLayout(bottom);

    connect(Label5, &TLinkLabel::clicked, this, guarded([this] { Label5Click(); }));
    connect(Label7, &TLinkLabel::clicked, this, guarded([this] { Label7Click(); }));
    connect(BtnClose, &QPushButton::clicked, this, guarded([this] { BtnCloseClick(); }));

    FormCreate();
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::FormCreate()
{
    const IniFile ini(Locations().dataFolder + QStringLiteral("support.ini"));
    const QString programName = ini.ReadString("about", "programname", QStringLiteral("Tavrin"));
    const QString versionName = ini.ReadString("about", "versionname", QStringLiteral("v3.3.3"));
    const QString homePage = ini.ReadString("about", "homepage", HomePageAddress);
    Label1->setText(programName + u' ' + versionName);
    Label3->setText(versionName);
    Label5->setText(homePage);
}

void TAboutBox::Label5Click()
{
    ShellOpen(HomePageAddress);
}

void TAboutBox::Label7Click()
{
    ShellOpen(QStringLiteral("mailto:") + SupportMailAddress);
}

void TAboutBox::BtnCloseClick()
{
    close();
}

void TAboutBox::closeEvent(QCloseEvent* event)
{
    FormClose();
    QDialog::closeEvent(event);
}

void TAboutBox::FormClose()
{
    if (Form1 && Form1->AboutBox == this)
        Form1->AboutBox = nullptr;
}
