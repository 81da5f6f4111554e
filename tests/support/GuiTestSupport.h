#pragma once
// Helpers for GUI tests of every area. Link: every tests/<area>/ program links this library.
//
// What is here
//   testApplication()     the one application object of the test program (a TavrinApplication,
//                         so the general error report is active; 8-point font as in the
//                         program). Sets TAVRIN_AUDIO=virtual, so the system backend uses the
//                         virtual devices. Run tests with QT_QPA_PLATFORM=offscreen (ctest does).
//   TempProgramFolder     a fresh temporary folder that ProgramFolder() returns while it lives
//                         (setup.ini, tips.txt, "Recording/" go there); restored afterwards.
//   MessageBoxRecorder    answers every message box (platform/ui/MessageBoxes.h) and records
//                         kind, title and text. Queue answers with answerNext(); without one a
//                         question gets defaultAnswer (Yes unless set).
//   FileDialogRecorder    answers the file-open dialog and the folder browser
//                         (platform/ui/FileDialogs.h): queued answers, else "" (cancel).
//   ShellOpenRecorder     catches ShellOpen() calls (platform/ui/ShellOpen.h).
//   ModalDialogHandler    watches for modal dialogs (a dialog's exec() would wait forever in a
//                         test): hands each one to onDialog, which may drive and close it;
//                         a dialog still open after timeoutMs fails the test and is closed.
//   MainWindowHarness     creates TForm1 and the four other permanent forms in the program's
//                         order (TfrmEQ, TfrmAdv, TfrmRecFlt, TRenameForm), optionally with a
//                         backend of the test's own (e.g. the virtual backend with its hand
//                         clock), and shows the main window, which runs FormShow. Destroys
//                         them in reverse order. It does not close the window: call
//                         form->close() in the test when FormClose is wanted. The tip timer
//                         runs as FormCreate left it (its first tick, after a second, shows
//                         the tip window); pass tipTimer = false to stop it at once.
//   GuiTest               a gtest fixture holding all of the above; openMainWindow() makes the
//                         harness.
//   waitUntil(pred, ms)   runs the event loop until pred() is true or the time is up.
//   writeWav(path, n)     a short WAV file to open.
//
// Example
//   #include "support/GuiTestSupport.h"
//   TEST_F(GuiTest, ExitClosesTheWindow) {
//       TForm1* f = openMainWindow();
//       f->Exit1->trigger();
//       EXPECT_FALSE(f->isVisible());
//   }
//
// Audio backend: MainWindowHarness(show, backend) installs `backend` with
// setSystemAudioBackend() for its lifetime. Without one, the harness makes its own
// VirtualBackend in the manual-clock mode (engine/backends/VirtualBackend.h) and installs it:
// nothing moves until the test calls virtualBackend()->advanceAndProcess(ms). To set the
// backend up before FormShow (devices, mixer lines), open the window with show = false,
// configure virtualBackend(), then call form->show().
#include "platform/ui/FileDialogs.h"
#include "platform/ui/MessageBoxes.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QApplication;
class AudioBackend;
class VirtualBackend;
class TForm1;
class TfrmEQ;
class TfrmAdv;
class TfrmRecFlt;
class TRenameForm;

QApplication* testApplication();

// A WAV file of 8 kHz mono 16-bit with `frames` frames of a constant level.
void writeWav(const QString& path, int frames);

// Runs the event loop until pred() holds (true) or timeoutMs has passed (false).
bool waitUntil(const std::function<bool()>& pred, int timeoutMs = 2000);
// Lets pending events (posted events, deferred deletes, layouts) run.
void pumpEvents();

class TempProgramFolder {
public:
    TempProgramFolder();
    ~TempProgramFolder();
    TempProgramFolder(const TempProgramFolder&) = delete;
    TempProgramFolder& operator=(const TempProgramFolder&) = delete;

    QString path() const;                       // with a trailing "/"
    QString file(const QString& name) const;    // path() + name
    void write(const QString& name, const QByteArray& contents) const;
    QByteArray read(const QString& name) const; // empty when missing
    bool exists(const QString& name) const;

private:
    QTemporaryDir dir_;
};

class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    void answerNext(MessageAnswer answer) { answers_.push_back(answer); }
    MessageAnswer defaultAnswer = MessageAnswer::Yes;
    // Called with each box before it is answered (e.g. to check the state at that moment).
    std::function<void(const MessageRecord&)> onShow;

    const std::vector<MessageRecord>& shown() const { return shown_; }
    int count() const { return int(shown_.size()); }
    const MessageRecord& last() const { return shown_.back(); }
    QStringList texts() const;
    void clear() { shown_.clear(); }

private:
    std::vector<MessageRecord> shown_;
    std::deque<MessageAnswer> answers_;
};

class FileDialogRecorder {
public:
    FileDialogRecorder();
    ~FileDialogRecorder();
    FileDialogRecorder(const FileDialogRecorder&) = delete;
    FileDialogRecorder& operator=(const FileDialogRecorder&) = delete;

    void answerNext(const QString& chosen) { answers_.push_back(chosen); }
    const std::vector<FileDialogRequest>& requests() const { return requests_; }
    int count() const { return int(requests_.size()); }

private:
    std::vector<FileDialogRequest> requests_;
    std::deque<QString> answers_;
};

class ShellOpenRecorder {
public:
    ShellOpenRecorder();
    ~ShellOpenRecorder();
    ShellOpenRecorder(const ShellOpenRecorder&) = delete;
    ShellOpenRecorder& operator=(const ShellOpenRecorder&) = delete;
    QStringList opened;
};

class ModalDialogHandler {
public:
    ModalDialogHandler();
    ~ModalDialogHandler();
    ModalDialogHandler(const ModalDialogHandler&) = delete;
    ModalDialogHandler& operator=(const ModalDialogHandler&) = delete;

    // Called once for each modal dialog, from inside its exec(), e.g.
    //   modals.onDialog = [](QWidget* w) { qobject_cast<QDialog*>(w)->accept(); };
    std::function<void(QWidget*)> onDialog;
    int timeoutMs = 3000;
    QStringList seen;   // class names of the modal dialogs met, in order

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

class MainWindowHarness {
public:
    // show: true shows the main window (FormShow runs); false leaves it after FormCreate.
    explicit MainWindowHarness(bool show = true, AudioBackend* backend = nullptr,
                               bool tipTimer = true);
    ~MainWindowHarness();
    MainWindowHarness(const MainWindowHarness&) = delete;
    MainWindowHarness& operator=(const MainWindowHarness&) = delete;

    TForm1* form() const { return form_; }
    TForm1* operator->() const { return form_; }
    AudioBackend* backend() const { return backend_; }       // null: the system backend
    VirtualBackend* virtualBackend() const { return virtual_; } // the harness's own, if any

private:
    std::unique_ptr<AudioBackend> ownBackend_;
    VirtualBackend* virtual_ = nullptr;
    AudioBackend* backend_ = nullptr;
    TForm1* form_ = nullptr;
    TfrmEQ* eq_ = nullptr;
    TfrmAdv* adv_ = nullptr;
    TfrmRecFlt* recFlt_ = nullptr;
    TRenameForm* rename_ = nullptr;
};

class GuiTest : public ::testing::Test {
protected:
    GuiTest();
    ~GuiTest() override;

    // Creates the permanent forms (see MainWindowHarness) and returns the main window.
    TForm1* openMainWindow(bool show = true, AudioBackend* backend = nullptr,
                           bool tipTimer = true);
    void closeMainWindow();   // destroys the forms (without running FormClose)
    // The harness's own virtual backend (manual clock); null when the test passed its own.
    VirtualBackend* virtualBackend() const { return window ? window->virtualBackend() : nullptr; }

    TempProgramFolder folder;
    MessageBoxRecorder messages;
    FileDialogRecorder dialogs;
    ShellOpenRecorder shell;
    ModalDialogHandler modals;
    std::unique_ptr<MainWindowHarness> window;
};
