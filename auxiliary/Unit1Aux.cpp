// The main window's part of the auxiliary windows: the tip timer and menu item, the about box,
// the help file and the home page.
#include "app/Unit1.h"

#include "auxiliary/Links.h"
#include "auxiliary/Unit4.h"
#include "auxiliary/tip.h"
#include "platform/ui/ShellOpen.h"
#include "settings/InterfaceLanguage.h"
#include "settings/SetupIni.h"

#include <QTimer>

void TForm1::TimerTipTimer()
{
    ++tipTicks_;
    if (tipTicks_ != 1)
        return;
    if (TimerTip)
        TimerTip->stop();
    if (ReadShowTip() == 1)
        ipoftheDay1Click();
}

void TForm1::ipoftheDay1Click()
{
    if (!TipForm)
        TipForm = new TTipForm(this);
    TipForm->setVisible(false);
    TipForm->exec();
}

void TForm1::ToolBtnAboutClick()
{
    if (!AboutBox)
        AboutBox = new TAboutBox(this);
    AboutBox->setVisible(false);
    AboutBox->exec();
}

void TForm1::HelpContents2Click()
{
    ShellOpen(LocalisedSideFile(HelpFileName));
}

void TForm1::Homepage2Click()
{
    ShellOpen(HomePageAddress);
}
