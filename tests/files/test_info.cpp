// Tags and stream data through TAudioInformation2.
#include "FilesTestUtil.h"

#include "engine/EngineError.h"
#include "engine/TAudioFile2.h"
#include "engine/TAudioInformation2.h"

#include <gtest/gtest.h>

using namespace filetest;

namespace {

TEST(Genres, TheFirst147NamesComeFromTheId3v1List)
{
    TAudioInformation2 info;
    EXPECT_EQ(info.GenreName(0), "Blues");
    EXPECT_EQ(info.GenreName(17), "Rock");
    EXPECT_FALSE(info.GenreName(146).isEmpty());
    for (int i = 0; i <= 146; ++i)
        EXPECT_FALSE(info.GenreName(i).isEmpty()) << i;
    EXPECT_TRUE(info.GenreName(-1).isEmpty());
    EXPECT_TRUE(info.GenreName(100000).isEmpty());
}

TEST(StreamData, SizeDurationAndDescriptionOfARecording)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("d.wav");
    TAudioFile2 w;
    w.SetFormatPCM(22050, 2, 16);
    writeAll(w, path, tone(22050 * 3 + 11025, 2, 22050, 300), 2, 4410);
    TAudioInformation2 info;
    info.ReadInfo(path);
    EXPECT_EQ(info.Duration(), 3500);
    EXPECT_EQ(info.FileSize(), QFileInfo(path).size());
    EXPECT_EQ(info.FormatDescription(), "PCM 16 bit: 22050 Hz, Stereo");
}

TEST(StreamData, MissingFileRaises)
{
    TAudioInformation2 info;
    EXPECT_THROW(info.ReadInfo("/nonexistent/x.mp3"), EngineError);
    EXPECT_THROW(info.WriteInfo("/nonexistent/x.mp3"), EngineError);
}

} // namespace
