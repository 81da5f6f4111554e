// FLAC and Opus recordings through the recording road: a 24-bit FLAC holds the frame code of
// every input frame, an Opus file the exact length and the signal; both list with size and
// length, and their tags (Xiph comments) are written and read back.
#include "TransportFixture.h"

#include "engine/TAudioInformation2.h"

#include <QAction>
#include <QTreeWidget>

using namespace transport_test;

TEST_F(TransportTest, FlacAndOpusRecordingsKeepLengthContentAndTags)
{
    const auto record = [this](const QString& format) {   // three seconds, as Untitled1<format>
        RecordingSettings.SaveFormat = format;
        form->Record1->trigger();
        run(3000);
        form->Stop1->trigger();
        return readFile(recording("Untitled1" + format));
    };
    RecordingSettings.FlacFrequency = 8000;
    RecordingSettings.FlacBits = 24;
    RecordingSettings.FlacLevel = 8;
    const FileFrames flac = record(".flac");
    EXPECT_EQ(flac.length, 3 * 8000);
    EXPECT_EQ(flac.frames(), 3 * 8000);
    for (int i = 0; i < flac.frames(); ++i)
        if (frameCode(flac.samples.data() + 2 * i) != (i & 0xFFFF))
            FAIL() << "FLAC frame " << i << " is not the input's";

    // Opus runs at 48 kHz: the recorder captures at that rate.
    backend.setInputGenerator([](qint64 k, int ch) { return float(0.5 * std::sin(2 * M_PI * (ch ? 660 : 440) * double(k) / 48000)); });
    RecordingSettings.OpusBitrate = 96;
    const FileFrames opus = record(".opus");
    EXPECT_EQ(opus.length, 3 * 48000);
    EXPECT_EQ(opus.frames(), 3 * 48000);
    for (int ch = 0; ch < 2; ++ch) {   // the tone of each channel, whatever its phase
        double sn = 0, cs = 0, energy = 0;
        const int n = opus.frames() - 9600;
        for (int i = 4800; i < 4800 + n; ++i) {
            const double x = opus.samples[size_t(2 * i + ch)], w = 2 * M_PI * (ch ? 660 : 440) * i / 48000;
            sn += x * std::sin(w), cs += x * std::cos(w), energy += x * x;
        }
        const double amplitude = 2 * std::hypot(sn, cs) / n;
        EXPECT_NEAR(amplitude, 0.5, 0.02) << ch;
        EXPECT_GT(amplitude * amplitude / 2 / (energy / n), 0.98) << "channel " << ch << " is not the input's tone";
    }

    EXPECT_EQ(rowCaptions(), (QStringList{"Untitled1.flac", "Untitled1.opus"}));
    EXPECT_EQ(form->ListView1->topLevelItem(1)->text(2), "00:03");
    for (const QString name : {"Untitled1.flac", "Untitled1.opus"}) {
        TAudioInformation2 info;
        info.setInfoTitle("Интервью");
        info.setInfoArtist("Artist");
        info.setInfoAlbum("Album");
        info.setInfoComments("Comment");
        info.setInfoCopyright("(c) 2026");
        info.setInfoGenre(17);
        info.setInfoYear(2026);
        info.setInfoTrack(3);
        info.WriteInfo(recording(name));
        TAudioInformation2 back;
        back.ReadInfo(recording(name));
        EXPECT_EQ(back.infoTitle(), "Интервью");
        EXPECT_EQ(back.infoArtist() + back.infoAlbum() + back.infoComments(), "ArtistAlbumComment");
        EXPECT_EQ(back.infoCopyright(), "(c) 2026");
        EXPECT_EQ(back.infoGenre(), 17);
        EXPECT_EQ(back.infoYear(), 2026);
        EXPECT_EQ(back.infoTrack(), 3);
        EXPECT_EQ(back.Duration(), 3000);
        EXPECT_EQ(readFile(recording(name)).frames(), name.endsWith("flac") ? 3 * 8000 : 3 * 48000);
    }
    EXPECT_EQ(errorCount(), 0);
}
