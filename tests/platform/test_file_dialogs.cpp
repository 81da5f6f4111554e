#include "platform/ui/FileDialogs.h"
#include "platform/ui/ShellOpen.h"
#include "support/GuiTestSupport.h"

#include <gtest/gtest.h>

TEST(FileDialogFilter, BarSeparatedPairsBecomeQtFilters)
{
    EXPECT_EQ(ConvertDialogFilter("Wav files (*.wav)|*.wav|"
                                  "MPEG files (*.mp3;*.mp2;*.mp1;*.mpeg)|*.mp3;*.mp2;*.mp1;*.mpeg|"
                                  "WMA files (*.wma)|*.wma"),
              "Wav files (*.wav);;MPEG files (*.mp3 *.mp2 *.mp1 *.mpeg);;WMA files (*.wma)");
}

TEST(FileDialogFilter, OddShapes)
{
    // A trailing bar, "*.*" (which must match names without a dot here), a text without its
    // own pattern part, patterns without a dot, and a text with nothing after it.
    EXPECT_EQ(ConvertDialogFilter("All Files (*.*)|*.*|"), "All Files (*)");
    EXPECT_EQ(ConvertDialogFilter("Audio|*.wav;*.mp3"), "Audio (*.wav *.mp3)");
    EXPECT_EQ(ConvertDialogFilter("Raw files (*.raw;*adpcm)|*.raw;*adpcm"),
              "Raw files (*.raw *adpcm)");
    EXPECT_EQ(ConvertDialogFilter("Lonely"), "Lonely (*)");
    EXPECT_EQ(ConvertDialogFilter(""), "");
    EXPECT_EQ(ConvertDialogFilter("MPPlus files (*.mpc;*.mp+)|*.mpc;*.mp+"),
              "MPPlus files (*.mpc *.mp+)");
}

TEST(FileDialogs, TheSeamSeesEachRequestAndAnswers)
{
    testApplication();
    FileDialogRecorder rec;
    rec.answerNext("/music/a.wav");
    EXPECT_EQ(OpenFileDialog(nullptr, "Open file", "Wav files (*.wav)|*.wav"), "/music/a.wav");
    EXPECT_EQ(OpenFileDialog(nullptr, "Open file", "Wav files (*.wav)|*.wav"), "");   // cancel
    rec.answerNext("/home/user/rec/");
    EXPECT_EQ(BrowseForFolder(nullptr, "Folder"), "/home/user/rec");
    rec.answerNext("/");
    EXPECT_EQ(BrowseForFolder(nullptr, "Folder"), "/");
    ASSERT_EQ(rec.count(), 4);
    EXPECT_FALSE(rec.requests()[0].folder);
    EXPECT_EQ(rec.requests()[0].title, "Open file");
    EXPECT_EQ(rec.requests()[0].filter, "Wav files (*.wav)|*.wav");
    EXPECT_TRUE(rec.requests()[2].folder);
}

TEST(ShellOpen, TestsCatchTheCalls)
{
    testApplication();
    ShellOpenRecorder rec;
    ShellOpen("mailto:support@example.org");
    ShellOpen("/opt/tavrin/tavrin.html");
    EXPECT_EQ(rec.opened, QStringList({"mailto:support@example.org", "/opt/tavrin/tavrin.html"}));
}
