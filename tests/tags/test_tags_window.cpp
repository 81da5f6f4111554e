// The tag fields under the file list: load, save, the number checks, the genre list, the tag
// version and the layout of the page.
#include "app/Unit1.h"
#include "engine/TAudioFile2.h"
#include "engine/TAudioInformation2.h"
#include "support/GuiTestSupport.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <sys/stat.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

class TagEditorTest : public GuiTest {
protected:
    void SetUp() override
    {
        form = openMainWindow();
        form->TimerTip->stop();   // no tip of the day over the tests
        song = folder.path() + "song.mp3";
        TAudioFile2 file;
        file.setActive(true);
        file.SetFormatMP3(44100, 128, 2);
        file.CreateNew(song, 0);
        file.WriteArray(SampleArray(2, std::vector<float>(2 * 44100, 0.1f)));
        file.Close();
        form->CurrentFile = song;
    }
    void TearDown() override { closeMainWindow(); }

    void fill(const QString& year, const QString& track)
    {
        form->infoTitle->setText(QStringLiteral("Заголовок"));
        form->infoArtist->setText(QStringLiteral("Artist"));
        form->infoAlbum->setText(QStringLiteral("Album"));
        form->infoComment->setText(QStringLiteral("Comment"));
        form->infoCopyright->setText(QStringLiteral("Author"));
        form->infoGenre->setCurrentIndex(17);
        form->infoYear->setText(year);
        form->infoTrack->setText(track);
    }

    TForm1* form = nullptr;
    QString song;
};

} // namespace

TEST_F(TagEditorTest, GenreListHoldsTheEngineNamesInOrder)
{
    ASSERT_EQ(form->infoGenre->count(), 147);
    TAudioInformation2 info;
    for (int i : {0, 17, 80, 146})
        EXPECT_EQ(form->infoGenre->itemText(i), info.GenreName(i));
}

TEST_F(TagEditorTest, SavedTagsComeBackOnReset)
{
    fill("1999", "7");
    form->btnApplyClick();
    EXPECT_EQ(messages.count(), 0);
    fill("", "");
    form->infoTitle->clear();
    form->infoGenre->setCurrentIndex(-1);
    form->btnResetClick();
    EXPECT_EQ(form->infoTitle->text(), QStringLiteral("Заголовок"));
    EXPECT_EQ(form->infoArtist->text(), "Artist");
    EXPECT_EQ(form->infoAlbum->text(), "Album");
    EXPECT_EQ(form->infoComment->text(), "Comment");
    EXPECT_EQ(form->infoCopyright->text(), "Author");
    EXPECT_EQ(form->infoGenre->currentIndex(), 17);
    EXPECT_EQ(form->infoYear->text(), "1999");
    EXPECT_EQ(form->infoTrack->text(), "7");
}

TEST_F(TagEditorTest, BadYearOrTrackBlocksTheSave)
{
    const QByteArray before = contents(song);
    const std::vector<std::pair<QString, QString>> badYears = {{"", "1"}, {"19a9", "1"}, {"19 99", "1"},
                                                              {"1999.5", "1"}, {"99999999999", "1"}};
    for (const auto& [year, track] : badYears) {
        messages.clear();
        fill(year, track);
        form->btnApplyClick();
        ASSERT_EQ(messages.count(), 1) << year.toStdString();
        EXPECT_EQ(messages.last().text, "Invalid Year Value");
        EXPECT_EQ(form->focusWidget(), form->infoYear);
    }
    for (const QString& track : {QString(), QStringLiteral("x"), QStringLiteral("1 2")}) {
        messages.clear();
        fill("1999", track);
        form->btnApplyClick();
        ASSERT_EQ(messages.count(), 1);
        EXPECT_EQ(messages.last().text, "Invalid Track Value");   // the year passed, one message
        EXPECT_EQ(form->focusWidget(), form->infoTrack);
    }
    EXPECT_EQ(contents(song), before);   // nothing was written
}

TEST_F(TagEditorTest, UnusualNumbersAreHandedOver)
{
    fill("-5", "40000");
    form->btnApplyClick();
    EXPECT_EQ(messages.count(), 0);
    EXPECT_EQ(form->AudioInformation1->infoYear(), -5);
    fill("+12345", "3");
    form->btnApplyClick();
    EXPECT_EQ(messages.count(), 0);
    EXPECT_EQ(form->AudioInformation1->infoYear(), 12345);
}

TEST_F(TagEditorTest, NoGenreIsSentAsMinusOne)
{
    form->btnResetClick();   // a file without tags
    EXPECT_EQ(form->infoGenre->currentIndex(), -1);
    fill("2000", "1");
    form->infoGenre->setCurrentIndex(-1);
    form->btnApplyClick();
    EXPECT_EQ(form->AudioInformation1->infoGenre(), -1);
    form->btnResetClick();
    EXPECT_EQ(form->infoGenre->currentIndex(), -1);
}

TEST_F(TagEditorTest, VersionChoiceSetsTheTagVersion)
{
    form->infoMTVButtons->buttons().at(0)->click();
    EXPECT_EQ(form->AudioInformation1->TagVersion(), 1);
    form->infoMTVButtons->buttons().at(1)->click();
    EXPECT_EQ(form->AudioInformation1->TagVersion(), 2);
}

TEST_F(TagEditorTest, PageKeepsItsRightColumnAtTheEdge)
{
    form->resize(900, 500);
    pumpEvents();
    form->TabSheet2Resize();
    const int left = form->TabSheet2->width() - form->btnReset->width() - 2;
    EXPECT_EQ(form->btnReset->x(), left);
    EXPECT_EQ(form->btnApply->x(), left);
    EXPECT_EQ(form->infoMTV->x(), left);
    EXPECT_EQ(form->ListView1->width(), left - 28);
    EXPECT_EQ(form->infoCopyright->width(), left - 28 - 267);
    EXPECT_EQ(form->infoYear->width(), form->infoCopyright->width());
    EXPECT_EQ(form->infoGenre->width(), form->infoCopyright->width());
    EXPECT_EQ(form->infoTrack->width(), form->infoCopyright->width());
    EXPECT_EQ(form->infoTitle->width(), 128);   // the left column keeps its size
}

// The stream description in the status bar: the file's own, nothing for a file that does not
// open (not the format last set, not the file before), and a named pipe or a link to a device
// chosen in the open dialog is refused with a message at once.
TEST_F(TagEditorTest, StatusBarDescribesOnlyWhatOpens)
{
    const QString text = folder.path() + "text.mp3";
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("no sound here; ").repeated(300));
    f.close();
    const QString pipe = folder.path() + "pipe.wav";
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString zero = folder.path() + "zero.wav";
    ASSERT_TRUE(QFile::link("/dev/zero", zero));

    const auto open = [this](const QString& path) {
        dialogs.answerNext(path);
        form->Open1->trigger();
    };
    open(song);
    EXPECT_EQ(form->statusText(2), "MP3  44100 Hz, 128 kbps, Stereo");
    open(text);
    EXPECT_EQ(form->statusText(2), QString());
    EXPECT_EQ(messages.count(), 0);
    form->ListView1->setCurrentItem(form->ListView1->topLevelItem(0));
    EXPECT_EQ(form->statusText(2), "MP3  44100 Hz, 128 kbps, Stereo");
    form->ListView1->setCurrentItem(form->ListView1->topLevelItem(1));
    EXPECT_EQ(form->statusText(2), QString());

    for (const QString& path : {pipe, zero}) {
        open(song);
        const int rows = form->ListView1->topLevelItemCount();
        messages.clear();
        open(path);
        ASSERT_EQ(messages.count(), 1) << path.toStdString();
        EXPECT_TRUE(messages.last().text.contains("not a regular file")) << messages.last().text.toStdString();
        EXPECT_TRUE(messages.last().text.contains(path == pipe ? "named pipe" : "/dev/zero, a character device"));
        EXPECT_EQ(form->statusText(2), QString());
        EXPECT_EQ(form->ListView1->topLevelItemCount(), rows);   // not listed
    }
}
