// The status-bar form of a stream description.
#include "tags/StreamDescription.h"
#include <gtest/gtest.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

TEST(ShortFormatText, MpegLayersBecomeShort)
{
    EXPECT_EQ(ShortFormatText("MPEG 1.0 layer-3: 44100 Hz, 128 kbps, stereo"),
              "MP3  44100 Hz, 128 kbps, stereo");
    EXPECT_EQ(ShortFormatText("MPEG 2.0 layer-2: 22050 Hz"), "MP2  22050 Hz");
    // The prefixes are matched without case once the text holds "MPEG" in capitals.
    EXPECT_EQ(ShortFormatText("mpeg 1.0 LAYER-3 in MPEG stream"), "MP3 in MPEG stream");
    // Both prefixes, first occurrences only.
    EXPECT_EQ(ShortFormatText("MPEG 1.0 layer-3 MPEG 2.0 layer-2 MPEG 1.0 layer-1"),
              "MP3 MP2 MPEG 1.0 layer-1");
}

TEST(ShortFormatText, LowerCaseMpegStaysAsItIs)
{
    EXPECT_EQ(ShortFormatText("mpeg 1.0 layer-3 stream"), "mpeg 1.0 layer-3 stream");
}

TEST(ShortFormatText, OnlyTheFirstColonBecomesABlank)
{
    EXPECT_EQ(ShortFormatText("PCM:44100 Hz:16 bit"), "PCM 44100 Hz:16 bit");
    EXPECT_EQ(ShortFormatText("mpeg 1.0 layer-3: x: y"), "mpeg 1.0 layer-3  x: y");
    EXPECT_EQ(ShortFormatText(""), "");
    EXPECT_EQ(ShortFormatText("WMA 128 kbps"), "WMA 128 kbps");
}
