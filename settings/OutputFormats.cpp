#include "settings/OutputFormats.h"

QString AsciiUpper(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    }
    return out;
}

OutputFormat OutputFormatOf(const QString& saveFormat)
{
    const QString upper = AsciiUpper(saveFormat);
    if (upper == QLatin1String(".MP3"))
        return OutputFormat::Mp3;
    if (upper == QLatin1String(".WAV"))
        return OutputFormat::Wav;
    if (upper == QLatin1String(".WMA"))
        return OutputFormat::Wma;
    if (upper == QLatin1String(".FLAC"))
        return OutputFormat::Flac;
    if (upper == QLatin1String(".OPUS"))
        return OutputFormat::Opus;
    return OutputFormat::None;
}

namespace {

struct Mp3Row {
    const char* text;
    int frequency;
    int bitrate;
};

constexpr Mp3Row kMp3Rows[] = {
    {"22050 Hz, 40 kbps", 22050, 40},   {"22050 Hz, 48 kbps", 22050, 48},
    {"22050 Hz, 64 kbps", 22050, 64},   {"22050 Hz, 80 kbps", 22050, 80},
    {"44100 Hz, 112 kbps", 44100, 112}, {"44100 Hz, 128 kbps", 44100, 128},
    {"44100 Hz, 160 kbps", 44100, 160}, {"44100 Hz, 192 kbps", 44100, 192},
    {"44100 Hz, 256 kbps", 44100, 256}, {"44100 Hz, 320 kbps", 44100, 320},
};
constexpr int kMp3RowCount = int(sizeof kMp3Rows / sizeof kMp3Rows[0]);

constexpr int kWavRates[] = {8000, 11025, 22050, 44100};
struct WavFormat {
    const char* text;
    int bits;
    int channels;
};
constexpr WavFormat kWavFormats[] = {
    {"8 bit,Mono", 8, 1}, {"16 bit,Mono", 16, 1}, {"8 bit,Stereo", 8, 2}, {"16 bit,Stereo", 16, 2}};

constexpr int kFlacRates[] = {22050, 44100, 48000, 96000};
constexpr WavFormat kFlacFormats[] = {
    {"16 bit,Mono", 16, 1}, {"16 bit,Stereo", 16, 2}, {"24 bit,Mono", 24, 1}, {"24 bit,Stereo", 24, 2}};
constexpr int kFlacLines = 16;

struct OpusRow {
    int bitrate;
    int channels;
};
constexpr OpusRow kOpusRows[] = {{6, 1},   {8, 1},   {12, 1},  {16, 1},  {24, 1},   {32, 1},   {48, 1},
                                 {64, 1},  {16, 2},  {24, 2},  {32, 2},  {48, 2},   {64, 2},   {96, 2},
                                 {128, 2}, {160, 2}, {192, 2}, {256, 2}};
constexpr int kOpusLines = int(sizeof kOpusRows / sizeof kOpusRows[0]);

}  // namespace

const QStringList& Mp3ChoiceLines()
{
    static const QStringList lines = [] {
        QStringList l;
        for (const Mp3Row& row : kMp3Rows)
            l << QString::fromLatin1(row.text);
        return l;
    }();
    return lines;
}

namespace {
// "<rate> Hz - <format>" for every rate, each with every sample format.
template <std::size_t R, std::size_t F>
QStringList rateFormatLines(const int (&rates)[R], const WavFormat (&formats)[F])
{
    QStringList l;
    for (int rate : rates) {
        for (const WavFormat& f : formats)
            l << QStringLiteral("%1 Hz - %2").arg(rate).arg(QString::fromLatin1(f.text));
    }
    return l;
}
}  // namespace

const QStringList& WavChoiceLines()
{
    static const QStringList lines = rateFormatLines(kWavRates, kWavFormats);
    return lines;
}

const QStringList& FlacChoiceLines()
{
    static const QStringList lines = rateFormatLines(kFlacRates, kFlacFormats);
    return lines;
}

const QStringList& OpusChoiceLines()
{
    static const QStringList lines = [] {
        QStringList l;
        for (const OpusRow& row : kOpusRows)
            l << QStringLiteral("%1 kbps, %2").arg(row.bitrate).arg(row.channels == 1 ? "Mono" : "Stereo");
        return l;
    }();
    return lines;
}

bool FlacValuesOf(int position, int& frequency, int& channels, int& bits)
{
    if (position < 0 || position >= kFlacLines)
        return false;
    frequency = kFlacRates[position / 4];
    bits = kFlacFormats[position % 4].bits;
    channels = kFlacFormats[position % 4].channels;
    return true;
}

bool OpusValuesOf(int position, int& bitrate, int& channels)
{
    if (position < 0 || position >= kOpusLines)
        return false;
    bitrate = kOpusRows[position].bitrate;
    channels = kOpusRows[position].channels;
    return true;
}

int FlacLineOf(int frequency, int channels, int bits)
{
    for (int line = 0; line < kFlacLines; ++line) {
        int f = 0, c = 0, b = 0;
        FlacValuesOf(line, f, c, b);
        if (f == frequency && c == channels && b == bits)
            return line;
    }
    return -1;
}

int OpusLineOf(int bitrate, int channels)
{
    for (int line = 0; line < kOpusLines; ++line) {
        if (kOpusRows[line].bitrate == bitrate && kOpusRows[line].channels == channels)
            return line;
    }
    return -1;
}

Mp3Values Mp3ValuesOf(int position)
{
    Mp3Values v{44100, 128};
    if (position >= 0 && position < kMp3RowCount)
        v = {kMp3Rows[position].frequency, kMp3Rows[position].bitrate};
    return v;
}

void WavValuesOf(int position, int& frequency, int& channels, int& bits)
{
    // C++ division truncates toward zero and the remainder takes the sign of the position.
    const int format = position % 4;
    const int rate = position / 4;
    if (format >= 0 && format < 4) {
        bits = kWavFormats[format].bits;
        channels = kWavFormats[format].channels;
    }
    if (rate >= 0 && rate < 4)
        frequency = kWavRates[rate];
}

QString WmaLineOf(const QString& formatDescription)
{
    return formatDescription.mid(4, 100);
}
