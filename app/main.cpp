// The program entry: the application object, the five permanent forms, the message loop.
// No command-line arguments are read.
#include "app/Unit1.h"
#include "app/rename.h"
#include "mixer/Unit2.h"
#include "mixer/Unit5.h"
#include "mixer/Unit7.h"
#include "platform/TerminationSignals.h"
#include "platform/ui/Guarded.h"
#include "platform/ui/TavrinApplication.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace {

// A termination request ends the program as the window's close does: open dialogs are
// dismissed, the main window closes (FormClose stops playback and recording and saves the
// time limit) and every event loop ends.
void endAsByClose(int /*signalNumber*/)
{
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            modal->hide();
    }
    if (Form1)
        Form1->close();
    QCoreApplication::exit(0);
}

} // namespace

int main(int argc, char** argv)
{
    TavrinApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrin"));
    installTerminationHandler(endAsByClose);

    // The permanent forms, in this order; they live until the program ends and go in the
    // reverse order, before the main window that owns the engine they talk to.
    auto form = std::make_unique<TForm1>();
    std::unique_ptr<TfrmEQ> eq(frmEQ = new TfrmEQ(form.get()));
    std::unique_ptr<TfrmAdv> adv(frmAdv = new TfrmAdv(form.get()));
    std::unique_ptr<TfrmRecFlt> recFlt(frmRecFlt = new TfrmRecFlt(form.get()));
    std::unique_ptr<TRenameForm> rename(RenameForm = new TRenameForm(form.get()));

    form->show();
    const int status = app.exec();

    // The loop can also end without the window's close (a termination request while a
    // dialog ran its own loop); the closing steps run in any case, and only once.
    runGuarded([&] { form->FormClose(); });

    rename.reset();
    recFlt.reset();
    adv.reset();
    eq.reset();
    form.reset();
    return status;
}
