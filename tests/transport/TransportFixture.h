#pragma once
// The main window on the virtual devices with the hand-driven clock, recording WAV 16-bit at
// 8 kHz stereo into the temporary program folder. The virtual input carries a frame code: the
// two channels hold the low and the high byte of the frame number, values that survive 16-bit
// samples exactly, so a file read back tells which input frames it holds.
#include <QCoreApplication>
#include "app/Unit1.h"
#include "engine/TAudioFile2.h"
#include "engine/backends/VirtualBackend.h"
#include "settings/RecordingSettings.h"
#include "support/GuiTestSupport.h"

#include <QTimer>

#include <QString>
#include <cmath>
#include <vector>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace transport_test {

inline float frameCodeSample(qint64 frame, int channel)
{
    const int byte = channel == 0 ? int(frame & 0xFF) : int((frame >> 8) & 0xFF);
    return float(byte - 128) / 256.0f;
}

// The 16-bit frame code of one interleaved stereo frame.
inline int frameCode(const float* frame)
{
    const int lo = int(std::lround(frame[0] * 256.0f)) + 128;
    const int hi = int(std::lround(frame[1] * 256.0f)) + 128;
    return (lo & 0xFF) | ((hi & 0xFF) << 8);
}

struct FileFrames {
    bool opened = false;
    int length = 0;
    int channels = 0;
    std::vector<float> samples;   // interleaved
    int frames() const { return channels > 0 ? int(samples.size()) / channels : 0; }
};

inline FileFrames readFile(const QString& path)
{
    FileFrames r;
    TAudioFile2 file;
    file.setActive(true);
    file.Open(path, 0, 1);
    if (file.LastError() != 0)
        return r;
    r.opened = true;
    r.length = file.Length();
    r.channels = file.Channels();
    for (;;) {
        SampleArray block = file.ReadArray(8192);
        if (block.isEmpty())
            break;
        r.samples.insert(r.samples.end(), block.samples().begin(), block.samples().end());
    }
    file.Close();
    return r;
}

// Writes `frames` frames of the frame code, starting at frame `first`, as WAV 16-bit 8 kHz.
inline void writeCodedWav(const QString& path, int frames, qint64 first = 0)
{
    TAudioFile2 file;
    file.setActive(true);
    file.SetFormatPCM(8000, 2, 16);
    file.CreateNew(path, 0);
    std::vector<float> data;
    data.reserve(size_t(frames) * 2);
    for (qint64 k = first; k < first + frames; ++k) {
        data.push_back(frameCodeSample(k, 0));
        data.push_back(frameCodeSample(k, 1));
    }
    if (frames > 0)
        file.WriteArray(SampleArray(2, std::move(data)));
    file.Close();
}

class TransportTest : public GuiTest {
protected:
    void SetUp() override
    {
        backend.setInputGenerator(&frameCodeSample);
        form = openMainWindow(true, &backend);
        form->TimerTip->stop();   // no tip of the day over the tests
        RecordingSettings.SavePath = folder.path() + QStringLiteral("Recording/");
        RecordingSettings.SaveFormat = QStringLiteral(".wav");
        RecordingSettings.WavFrequency = 8000;
        RecordingSettings.WavChannels = 2;
        RecordingSettings.WavBits = 16;
        RecordingSettings.TimeLimit = -1;
        RecordingSettings.SplitEnabled = false;
        RecordingSettings.SplitLength = 0;
        RecordingSettings.SplitOffset = 0;
    }
    void TearDown() override
    {
        closeMainWindow();   // the window goes before the backend it records from
        RecordingSettings = TRecordingSettings{};
    }

    // Virtual time passes in steps of 20 ms, the window's events running after each; then the
    // writer thread catches up with the blocks handed to it, and what it reported is handled.
    void run(int ms)
    {
        backend.advanceAndProcess(ms, 20);
        if (form && form->RecordWriter) {
            form->RecordWriter->flush();
            QCoreApplication::processEvents();
        }
    }
    QString recording(const QString& name) const { return RecordingSettings.SavePath + name; }
    QStringList rowCaptions() const;
    int errorCount() const;

    VirtualBackend backend{VirtualBackend::ClockMode::Manual};
    TForm1* form = nullptr;
};

} // namespace transport_test
