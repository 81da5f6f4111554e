// The file list of the main window: recording targets, rows, selection, rename and delete.
#include "app/Unit1.h"
#include "app/rename.h"
#include "engine/TAudioFile2.h"
#include "settings/RecordingSettings.h"
#include "support/GuiTestSupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace {

class FileListTest : public GuiTest {
protected:
    void SetUp() override
    {
        form = openMainWindow();
        form->TimerTip->stop();   // no tip of the day over the tests
        RecordingSettings.SavePath = folder.path() + QStringLiteral("Recording/");
        RecordingSettings.SaveFormat = QStringLiteral(".wav");
        RecordingSettings.WavFrequency = 8000;
        RecordingSettings.WavChannels = 1;
        RecordingSettings.WavBits = 16;
        QDir().mkpath(folder.path() + "files");
    }
    void TearDown() override
    {
        closeMainWindow();
        RecordingSettings = TRecordingSettings{};
    }
    QString file(const QString& name) const { return folder.path() + "files/" + name; }
    QTreeWidgetItem* row(int i) const { return form->ListView1->topLevelItem(i); }
    void select(int i) { form->ListView1->setCurrentItem(row(i)); }
    QString renameTo(const QString& text)
    {
        RenameForm->Edit1->setText(text);
        RenameForm->BtnOKClick();
        return row(0)->text(0);
    }

    TForm1* form = nullptr;
};

} // namespace

TEST_F(FileListTest, TargetsTakeTheSmallestFreeNumber)
{
    form->NewRecordingFile();
    EXPECT_EQ(form->RecordFileName, RecordingSettings.SavePath + "Untitled1.wav");
    EXPECT_EQ(form->CurrentFile, form->RecordFileName);
    EXPECT_TRUE(QFile::exists(form->RecordFileName));   // an empty file of the format
    EXPECT_EQ(form->FileLength, 0);
    EXPECT_EQ(form->statusText(0), "Stop");
    EXPECT_TRUE(form->btnReset->isEnabled());
    EXPECT_TRUE(form->btnApply->isEnabled());

    writeWav(RecordingSettings.SavePath + "Untitled3.wav", 10);
    form->NewRecordingFile();
    EXPECT_EQ(form->RecordFileName, RecordingSettings.SavePath + "Untitled2.wav");
    form->NewRecordingFile();
    EXPECT_EQ(form->RecordFileName, RecordingSettings.SavePath + "Untitled4.wav");
    QFile::remove(RecordingSettings.SavePath + "Untitled1.wav");
    form->NewRecordingFile();
    EXPECT_EQ(form->RecordFileName, RecordingSettings.SavePath + "Untitled1.wav");
}

TEST_F(FileListTest, StatusBarShowsTheShortenedPath)
{
    RecordingSettings.SavePath = folder.path()
        + "a/rather/long/chain/of/folders/that/cannot/fit/into/the/status/bar/Recording/";
    form->NewRecordingFile();
    const QString shown = form->statusText(1);
    EXPECT_TRUE(shown.endsWith("/Recording/Untitled1.wav") || shown.endsWith("Untitled1.wav"));
    EXPECT_TRUE(shown.contains("..."));
    EXPECT_LE(form->StatusPanel[1]->fontMetrics().horizontalAdvance(shown), 320);
}

TEST_F(FileListTest, RowsShowSizeDurationAndFolder)
{
    writeWav(file("a.wav"), 8000 * 65);   // 65 s of 8 kHz mono 16-bit
    form->AddFileRow(file("a.wav"));
    form->AddFileRow(file("a.wav"));   // a file already listed is listed again
    ASSERT_EQ(form->ListView1->topLevelItemCount(), 2);
    EXPECT_EQ(row(0)->text(0), "a.wav");
    EXPECT_EQ(row(0)->text(1), QString::number(QFileInfo(file("a.wav")).size() / 1000) + " KB");
    EXPECT_EQ(row(0)->text(2), "01:05");
    EXPECT_EQ(row(0)->text(3), folder.path() + "files/");
    EXPECT_FALSE(row(0)->icon(0).isNull());
}

TEST_F(FileListTest, SelectionFollowsTheRow)
{
    writeWav(file("a.wav"), 800);
    writeWav(file("b.wav"), 1600);
    form->AddFileRow(file("a.wav"));
    form->AddFileRow(file("b.wav"));
    EXPECT_FALSE(form->Rename1->isEnabled());
    select(1);
    EXPECT_EQ(form->SelectedFile, file("b.wav"));
    EXPECT_EQ(form->CurrentFile, file("b.wav"));
    EXPECT_EQ(form->statusText(1), file("b.wav"));
    EXPECT_TRUE(form->Play2->isEnabled());
    EXPECT_TRUE(form->Rename1->isEnabled());
    EXPECT_TRUE(form->Delete1->isEnabled());
    EXPECT_TRUE(form->Delete2->isEnabled());
    form->ListView1->clearSelection();
    EXPECT_TRUE(form->SelectedFile.isEmpty());
    EXPECT_FALSE(form->Play2->isEnabled());
    EXPECT_FALSE(form->Delete1->isEnabled());
}

TEST_F(FileListTest, RemoveFromListKeepsTheFileDeleteFromDiskRemovesIt)
{
    writeWav(file("a.wav"), 800);
    writeWav(file("b.wav"), 800);
    form->AddFileRow(file("a.wav"));
    form->AddFileRow(file("b.wav"));
    select(0);
    form->Delete2->trigger();
    EXPECT_EQ(form->ListView1->topLevelItemCount(), 1);
    EXPECT_TRUE(QFile::exists(file("a.wav")));
    select(0);
    form->Delete1->trigger();
    EXPECT_EQ(form->ListView1->topLevelItemCount(), 0);
    EXPECT_FALSE(QFile::exists(file("b.wav")));
    EXPECT_TRUE(form->SelectedFile.isEmpty());
    EXPECT_FALSE(form->Delete1->isEnabled());
    form->Delete1->trigger();   // nothing selected: nothing happens
    form->Delete2->trigger();
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(FileListTest, RenameDialogLayout)
{
    ASSERT_NE(RenameForm, nullptr);
    EXPECT_EQ(RenameForm->windowTitle(), "Переименовать");
    EXPECT_EQ(RenameForm->size(), QSize(306, 100));
    EXPECT_EQ(RenameForm->Label1->text(), "Введите Новое Имя файла:");
    EXPECT_EQ(RenameForm->Label1->pos(), QPoint(16, 13));
    EXPECT_EQ(RenameForm->Edit1->pos(), QPoint(24, 36));
    EXPECT_EQ(RenameForm->Edit1->width(), 257);
    EXPECT_EQ(RenameForm->BtnOK->geometry(), QRect(56, 69, 75, 25));
    EXPECT_EQ(RenameForm->BtnOK->text(), "Да");
    EXPECT_EQ(RenameForm->BtnCancel->geometry(), QRect(152, 69, 75, 25));
    EXPECT_EQ(RenameForm->BtnCancel->text(), "Отмена");
}

TEST_F(FileListTest, RenameKeepsTheExtension)
{
    writeWav(file("Untitled1.wav"), 800);
    form->AddFileRow(file("Untitled1.wav"));
    select(0);
    EXPECT_EQ(renameTo("take.one.mp3"), "take.one.wav");
    EXPECT_TRUE(QFile::exists(file("take.one.wav")));
    EXPECT_FALSE(QFile::exists(file("Untitled1.wav")));
    EXPECT_EQ(form->SelectedFile, file("take.one.wav"));
    // The window's current file follows it, so its tags can still be saved.
    EXPECT_EQ(form->CurrentFile, file("take.one.wav"));
    // The edit keeps what was typed.
    EXPECT_EQ(RenameForm->Edit1->text(), "take.one.mp3");
}

TEST_F(FileListTest, RenameOntoAnExistingNameKeepsTheOldOne)
{
    writeWav(file("Untitled1.wav"), 800);
    writeWav(file("taken.wav"), 1600);
    const qint64 takenSize = QFileInfo(file("taken.wav")).size();
    form->AddFileRow(file("Untitled1.wav"));
    select(0);
    EXPECT_EQ(renameTo("taken"), "Untitled1.wav");
    EXPECT_EQ(form->SelectedFile, file("Untitled1.wav"));
    EXPECT_TRUE(QFile::exists(file("Untitled1.wav")));
    EXPECT_EQ(QFileInfo(file("taken.wav")).size(), takenSize);   // not overwritten
    EXPECT_EQ(messages.count(), 0);
    // A name that would leave the folder is refused the same way.
    EXPECT_EQ(renameTo("../elsewhere"), "Untitled1.wav");
    EXPECT_FALSE(QFile::exists(folder.path() + "elsewhere.wav"));
}

TEST_F(FileListTest, BlankNameIsRefused)
{
    writeWav(file("Untitled1.wav"), 800);
    form->AddFileRow(file("Untitled1.wav"));
    select(0);
    EXPECT_EQ(renameTo(""), "Untitled1.wav");
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().text, "New name can not be blank!");
    messages.clear();
    EXPECT_EQ(renameTo("  "), "  .wav");   // blanks are a name
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(FileListTest, EnterInTheEditRenamesCancelDoesNot)
{
    writeWav(file("Untitled1.wav"), 800);
    form->AddFileRow(file("Untitled1.wav"));
    select(0);
    QTimer::singleShot(0, RenameForm, [] {
        RenameForm->Edit1->setText("first");
        QChar enter(13);
        RenameForm->Edit1KeyPress(enter);
    });
    form->Rename1->trigger();   // modal; the timer answers it
    EXPECT_EQ(row(0)->text(0), "first.wav");
    QTimer::singleShot(0, RenameForm, [] {
        RenameForm->Edit1->setText("second");
        RenameForm->BtnCancel->click();
    });
    form->Rename1->trigger();
    EXPECT_EQ(row(0)->text(0), "first.wav");
    EXPECT_FALSE(RenameForm->isVisible());
}
