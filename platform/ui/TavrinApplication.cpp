#include "platform/ui/TavrinApplication.h"

#include "platform/ui/Guarded.h"
#include "platform/ui/MessageBoxes.h"

#include <QFont>

#include <exception>

void ReportCurrentException() noexcept
{
    if (!std::current_exception())
        return;   // called outside a catch block: nothing to report
    try {
        try {
            throw;
        } catch (const std::exception& e) {
            ShowErrorReport(QString::fromUtf8(e.what()));
        } catch (...) {
            ShowErrorReport(QStringLiteral("Unknown error"));
        }
    } catch (...) {
        // The report itself failed (a test responder threw); nothing more can be done
        // without letting the error escape.
    }
}

TavrinApplication::TavrinApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The forms are laid out at fixed positions for an 8-point font; every window of the
    // program uses it.
    QFont f = QApplication::font();
    f.setPointSize(8);
    QApplication::setFont(f);
}

bool TavrinApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportCurrentException();
    }
    return false;
}
