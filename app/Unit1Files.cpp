// The window's current file, the targets of new recordings, the file list and its commands.
#include "app/Unit1.h"
#include "app/PathText.h"
#include "tags/StreamDescription.h"
#include "app/rename.h"
#include "engine/TAudioFile2.h"
#include "engine/TAudioInformation2.h"
#include "engine/controls/TNCTPlayButtonB2.h"
#include "engine/controls/TNCTSliderB2.h"
#include "platform/ui/FileDialogs.h"
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <exception>

namespace {

// The picture of every row of the file list: picture 8 of the small pictures.
QIcon listRowIcon()
{
    return QIcon(QStringLiteral(":/icons/small08.png"));
}

const QString kOpenFilter = QStringLiteral(
    "Wav files (*.wav)|*.wav|"
    "MPEG files (*.mp3;*.mp2;*.mp1;*.mpeg)|*.mp3;*.mp2;*.mp1;*.mpeg|"
    "Ogg Vorbis files (*.ogg)|*.ogg|"
    "AVI files (*.avi)|*.avi|"
    "G721 files (*.g721)|*.g721|"
    "MPPlus files (*.mpc;*.mp+)|*.mpc;*.mp+|"
    "WMA files (*.wma)|*.wma|"
    "FLAC files (*.flac)|*.flac|"
    "Opus files (*.opus)|*.opus");

} // namespace

QString TForm1::DurationText(int S)
{
    const int m = S / 60;   // both truncated toward zero
    const int r = S % 60;
    QString pattern;
    if (r <= 9 && m <= 9)
        pattern = QStringLiteral("0%1:0%2");
    else if (r <= 9)
        pattern = QStringLiteral("%1:0%2");
    else if (m <= 9)
        pattern = QStringLiteral("0%1:%2");
    else
        pattern = QStringLiteral("%1:%2");
    return pattern.arg(m).arg(r);
}

void TForm1::NewRecordingFile()
{
    // The session names and makes the target (an empty file of the chosen format).
    RecordFileName = Session->createTarget();
    CurrentFile = RecordFileName;
    LoadCurrentFile();
    currentIsRecordTarget_ = true;
}

void TForm1::LoadCurrentFile()
{
    QCoreApplication::processEvents();

    NCTPlayButtonB1->setEnabled(true);
    const bool starting = Session->state() == RecordingSession::State::Starting;
    if (!IsRecording && !starting)
        NCTSliderB1->setEnabled(true);
    NCTSliderB1->setStripColor(QApplication::palette().color(QPalette::Base));

    // A fresh recording target has no tags yet; any other file's read error is reported once
    // the rest of the file is loaded.
    std::exception_ptr tagError;
    try {
        btnResetClick();
    } catch (...) {
        tagError = std::current_exception();
    }

    TAudioFile2& reader = ReaderFile();
    reader.Open(CurrentFile, 0, 1);
    const QFontMetrics metrics = StatusPanel[1] ? StatusPanel[1]->fontMetrics() : statusBar()->fontMetrics();
    setStatusText(1, ShortenPath(CurrentFile, metrics, StatusPanel[1] ? StatusPanel[1]->width() : 320));
    setStatusText(2, ShortFormatText(reader.FormatDescription()));
    FileLength = reader.Length();
    FileRate = reader.SampleRate();
    reader.Close();

    setStatusText(0, TransportWord());
    btnReset->setEnabled(true);
    btnApply->setEnabled(true);

    if (tagError && !starting)
        std::rethrow_exception(tagError);
}

void TForm1::AddFileRow(const QString& Path)
{
    qint64 size = 0;
    int seconds = 0;
    try {
        AudioInformation1->ReadInfo(Path);
        size = AudioInformation1->FileSize();
        seconds = AudioInformation1->Duration() / 1000;
    } catch (const std::exception&) {
        // A file the information control cannot read (an empty target of a failed start, a
        // file that was taken away) still gets its row, with what the file system knows.
        size = QFileInfo(Path).size();
    }
    auto* row = new QTreeWidgetItem(ListView1);
    row->setText(0, nameOf(Path));
    row->setText(1, QString::number(size / 1000) + QStringLiteral(" KB"));
    row->setText(2, DurationText(seconds));
    row->setText(3, folderOf(Path));
    row->setIcon(0, listRowIcon());
}

void TForm1::Open1Click()
{
    CurrentFile.clear();
    const QString name = OpenFileDialog(this, QStringLiteral("Open file"), kOpenFilter, CurrentFile);
    if (name.isEmpty())
        return;
    OpenFile(name);
}

void TForm1::OpenFile(const QString& name)
{
    CurrentFile = name;
    currentIsRecordTarget_ = false;
    AudioFile1->setActive(true);
    const bool wasPlaying = IsPlaying;
    LoadCurrentFile();
    if (wasPlaying)
        StartPlayback();
    AddFileRow(name);
}

void TForm1::ListView1SelectItem()
{
    const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
    if (selected.isEmpty()) {
        Play2->setEnabled(false);
        Rename1->setEnabled(false);
        Delete1->setEnabled(false);
        Delete2->setEnabled(false);
        SelectedFile.clear();
        return;
    }
    Play2->setEnabled(true);
    Rename1->setEnabled(true);
    Delete1->setEnabled(true);
    Delete2->setEnabled(true);

    QTreeWidgetItem* row = selected.first();
    SelectedFile = row->text(3) + row->text(0);
    setStatusText(1, SelectedFile);
    setStatusText(2, QString());   // nothing of the file shown before stays when this one fails
    AudioInformation1->ReadInfo(SelectedFile);
    setStatusText(2, ShortFormatText(AudioInformation1->FormatDescription()));

    CurrentFile = SelectedFile;
    currentIsRecordTarget_ = false;
    btnResetClick();

    // No tags are written into the file that is playing or being recorded.
    bool busy = false;
    if (IsPlaying && SelectedFile == PlayFileName)
        busy = true;
    if (IsRecording && SelectedFile == RecordFileName)
        busy = true;
    btnApply->setEnabled(!busy);
}

void TForm1::Rename1Click()
{
    if (ListView1->selectedItems().isEmpty())
        return;
    if (!RenameForm)
        RenameForm = new TRenameForm(this);
    RenameForm->exec();
}

void TForm1::Delete2Click()
{
    const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
    if (selected.isEmpty())
        return;
    delete selected.first();
    ListView1SelectItem();
}

void TForm1::Delete1Click()
{
    const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
    if (selected.isEmpty())
        return;
    QTreeWidgetItem* row = selected.first();
    QFile::remove(row->text(3) + row->text(0));   // a failure is not reported
    delete row;
    ListView1SelectItem();
}
