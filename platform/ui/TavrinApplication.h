#pragma once
// The application object of the program: a QApplication whose notify() is the general error
// report. Any exception that leaves an event handler (std::exception, EngineError included)
// ends that handler and is shown by ShowErrorReport; the program goes on. It also sets the
// 8-point font that the fixed layouts of the forms are made for.
//
// Handlers reached through signal-slot connections should still be wrapped with guarded()
// (platform/ui/Guarded.h): that way an exception never unwinds through Qt's own code.
#include <QApplication>

class TavrinApplication : public QApplication {
    Q_OBJECT
public:
    TavrinApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
