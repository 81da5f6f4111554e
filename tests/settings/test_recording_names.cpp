// Names of new recordings: "Untitled" and the smallest free number without a template; with
// one, its date and time fields, characters a file name cannot hold replaced, " (n)" for a
// name that exists, and a length that every file system takes.
#include "settings/RecordingNames.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

const QDateTime kAt(QDate(2026, 3, 7), QTime(9, 5, 4));

QString next(const QString& nameTemplate, const QSet<QString>& taken, const QString& ext = ".mp3")
{
    return NextRecordingPath("/rec/", nameTemplate, ext, kAt, [&taken](const QString& p) { return taken.contains(p); });
}

} // namespace

TEST(RecordingNames, TemplateFieldsAreFilledFromTheStartTime)
{
    const struct { const char* tmpl; const char* name; } cases[] = {
        {"Запись %Y-%m-%d %H-%M", "Запись 2026-03-07 09-05"},
        {"%Y%m%d_%H%M%S", "20260307_090504"},
        {"100%% %S", "100% 04"},
        {"%x %Q 50%", "%x %Q 50%"},   // other sequences and a last "%" stay as written
        {"  take %d  ", "take 07"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RecordingNameFromTemplate(QString::fromUtf8(c.tmpl), kAt), QString::fromUtf8(c.name)) << c.tmpl;
}

TEST(RecordingNames, CharactersAFileNameCannotHoldAreReplaced)
{
    EXPECT_EQ(RecordingNameFromTemplate("a/b\\c:d*e?f\"g<h>i|j\tk", kAt), "a_b_c_d_e_f_g_h_i_j_k");
    EXPECT_EQ(next("../%H:%M", {}), "/rec/.._09_05.mp3");   // never a folder of its own
    // A name longer than a file system holds is cut, never in the middle of a character.
    const QString longName = RecordingNameFromTemplate(QString(300, QChar(0x0416)) + QString::fromUtf8("😀"), kAt);
    EXPECT_LE(longName.toUtf8().size(), 200);
    EXPECT_GT(longName.toUtf8().size(), 190);
    EXPECT_FALSE(longName.back().isSurrogate());
}

TEST(RecordingNames, WithoutTemplateTheSmallestFreeUntitledNumber)
{
    EXPECT_EQ(next("", {}), "/rec/Untitled1.mp3");
    EXPECT_EQ(next("", {"/rec/Untitled1.wav", "/rec/Untitled1.mp3", "/rec/Untitled3.mp3"}), "/rec/Untitled2.mp3");
    EXPECT_EQ(next("   ", {"/rec/Untitled1.mp3"}), "/rec/Untitled2.mp3");   // a blank template is none
    EXPECT_EQ(next("///", {}), "/rec/___.mp3");
}

TEST(RecordingNames, ANameThatExistsGetsTheNextNumberInBrackets)
{
    EXPECT_EQ(next("take %H", {}), "/rec/take 09.mp3");
    EXPECT_EQ(next("take %H", {"/rec/take 09.mp3"}), "/rec/take 09 (2).mp3");
    EXPECT_EQ(next("take %H", {"/rec/take 09.mp3", "/rec/take 09 (2).mp3"}), "/rec/take 09 (3).mp3");
    EXPECT_EQ(next("take %H", {"/rec/take 09.mp3"}, ".wav"), "/rec/take 09.wav");
}
