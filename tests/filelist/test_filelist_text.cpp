// The minutes-and-seconds text, the shortened status-bar path and the rename rule.
#include "app/PathText.h"
#include "app/Unit1.h"
#include "app/rename.h"
#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <gtest/gtest.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "test_filelist";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance())
        new QApplication(argc, argv);
}

} // namespace

TEST(DurationText, MinutesAndSecondsWithoutHours)
{
    EXPECT_EQ(TForm1::DurationText(0), "00:00");
    EXPECT_EQ(TForm1::DurationText(9), "00:09");
    EXPECT_EQ(TForm1::DurationText(65), "01:05");
    EXPECT_EQ(TForm1::DurationText(599), "09:59");
    EXPECT_EQ(TForm1::DurationText(600), "10:00");
    EXPECT_EQ(TForm1::DurationText(610), "10:10");
    EXPECT_EQ(TForm1::DurationText(3700), "61:40");
    EXPECT_EQ(TForm1::DurationText(3725), "62:05");
    EXPECT_EQ(TForm1::DurationText(360000), "6000:00");
}

class ShortenPathTest : public ::testing::Test {
protected:
    void SetUp() override { ensureApplication(); }
    QFontMetrics metrics{QFont(QStringLiteral("DejaVu Sans"), 9)};
    int w(const QString& s) const { return metrics.horizontalAdvance(s); }
};

TEST_F(ShortenPathTest, FitsUnchanged)
{
    const QString p = QStringLiteral("/home/user/Recording/Untitled1.mp3");
    EXPECT_EQ(ShortenPath(p, metrics, w(p)), p);
    EXPECT_EQ(ShortenPath(p, metrics, 10000), p);
}

TEST_F(ShortenPathTest, CutsLeadingFoldersOneByOne)
{
    const QString p = QStringLiteral("/home/user/music/Recording/Untitled1.mp3");
    // Each step replaces the first folder (a leading "..." counts as one) until the text fits.
    EXPECT_EQ(ShortenPath(p, metrics, w(p) - 1), "/.../user/music/Recording/Untitled1.mp3");
    EXPECT_EQ(ShortenPath(p, metrics, w("/.../music/Recording/Untitled1.mp3")),
              "/.../music/Recording/Untitled1.mp3");
    EXPECT_EQ(ShortenPath(p, metrics, w("/.../Recording/Untitled1.mp3")),
              "/.../Recording/Untitled1.mp3");
    EXPECT_EQ(ShortenPath(p, metrics, w("/.../Recording/Untitled1.mp3") - 1),
              "/.../Untitled1.mp3");
    EXPECT_EQ(ShortenPath(p, metrics, w("/.../Untitled1.mp3") - 1), ".../Untitled1.mp3");
    EXPECT_EQ(ShortenPath(p, metrics, w(".../Untitled1.mp3") - 1), "Untitled1.mp3");
    // The file name itself is never cut, even when it does not fit.
    EXPECT_EQ(ShortenPath(p, metrics, 5), "Untitled1.mp3");
}

TEST_F(ShortenPathTest, RelativeAndDrivePaths)
{
    const QString r = QStringLiteral("alphabet/beta/c.wav");
    EXPECT_EQ(ShortenPath(r, metrics, w(".../beta/c.wav")), ".../beta/c.wav");
    EXPECT_EQ(ShortenPath(r, metrics, w(".../beta/c.wav") - 1), ".../c.wav");
    EXPECT_EQ(ShortenPath(r, metrics, 1), "c.wav");
    const QString d = QStringLiteral("C:/Music/Take/one.wav");
    EXPECT_EQ(ShortenPath(d, metrics, w("C:/.../Take/one.wav")), "C:/.../Take/one.wav");
    EXPECT_EQ(ShortenPath(d, metrics, w("C:/.../one.wav")), "C:/.../one.wav");
    EXPECT_EQ(ShortenPath(d, metrics, w("C:/.../one.wav") - 1), ".../one.wav");
    EXPECT_EQ(ShortenPath(d, metrics, 1), "one.wav");
    // A folder whose name begins with dots is an ordinary folder.
    EXPECT_EQ(ShortenPath("/.cache/x/y.wav", metrics, w("/.../x/y.wav")), "/.../x/y.wav");
    EXPECT_EQ(ShortenPath("", metrics, 1), "");
}

TEST(RenameRule, KeepsTheOldExtension)
{
    EXPECT_EQ(TRenameForm::NewFileName("take.one.mp3", "Untitled1.wav"), "take.one.wav");
    EXPECT_EQ(TRenameForm::NewFileName("song", "Untitled1.wav"), "song.wav");
    EXPECT_EQ(TRenameForm::NewFileName("song.", "Untitled1.wav"), "song.wav");
    EXPECT_EQ(TRenameForm::NewFileName("song.mp3", "noext"), "song");
    EXPECT_EQ(TRenameForm::NewFileName(" ", "a.mp3"), " .mp3");   // blanks count as text
    // A dot before the last separator is not an extension.
    EXPECT_EQ(TRenameForm::NewFileName("dir.x/name", "a.wav"), "dir.x/name.wav");
}
