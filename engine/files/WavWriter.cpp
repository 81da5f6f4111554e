#include "engine/files/WavWriter.h"

#include "engine/EngineError.h"

#include <array>
#include <cmath>
#include <cstring>

namespace files {

namespace {

// RIFF WAVE JUNK/ds64(28) "fmt "(16) data: the data starts here.
constexpr std::int64_t HeaderBytes = 80;
// The largest size a RIFF header holds; past it the file is RF64.
constexpr std::int64_t RiffLimit = 0xFFFFFFFFLL;

void put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v)
{
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}
void put64(std::uint8_t* p, std::uint64_t v)
{
    put32(p, std::uint32_t(v));
    put32(p + 4, std::uint32_t(v >> 32));
}

// The sample scaled to 32 bits and clipped, then its top bits: floor(x * 2^(31 - shift)).
std::int32_t quantised(float x, int shift)
{
    const float t = x * 2147483648.0f;
    if (std::isnan(t))
        return 0;
    if (t >= 2147483647.0f)
        return INT32_MAX >> shift;
    if (t <= -2147483648.0f)
        return INT32_MIN >> shift;
    return static_cast<std::int32_t>(std::lrintf(t)) >> shift;
}

const QString& checked(const QString& path, int sampleRate, int channels, int bitsPerSample)
{
    if (!WavWriter::writes(channels, bitsPerSample))
        throw EngineError(QStringLiteral("Cannot create %1: WAV with %2 channel(s) of %3 bit is not written here")
                              .arg(path).arg(channels).arg(bitsPerSample));
    if (sampleRate < 1000 || sampleRate > 384000)
        throw EngineError(QStringLiteral("WAV files cannot be written at %1 Hz").arg(sampleRate));
    return path;
}

} // namespace

WavWriter::WavWriter(const QString& path, int sampleRate, int channels, int bitsPerSample)
    : file_(checked(path, sampleRate, channels, bitsPerSample)), rate_(sampleRate), channels_(channels),
      bits_(bitsPerSample)
{
    writeHeader();
}

WavWriter::~WavWriter() = default;

void WavWriter::writeHeader()
{
    std::array<std::uint8_t, HeaderBytes> h{};
    std::uint8_t* p = h.data();
    const std::int64_t riffSize = HeaderBytes - 8 + dataBytes_ + (padded_ ? 1 : 0);
    const bool rf64 = riffSize > RiffLimit;
    const int blockAlign = channels_ * bits_ / 8;
    std::memcpy(p, rf64 ? "RF64" : "RIFF", 4);
    put32(p + 4, rf64 ? 0xFFFFFFFFu : std::uint32_t(riffSize));
    std::memcpy(p + 8, "WAVE", 4);
    // Room for the ds64 chunk from the start, so that the file can turn into RF64 in place.
    std::memcpy(p + 12, rf64 ? "ds64" : "JUNK", 4);
    put32(p + 16, 28);
    if (rf64) {
        put64(p + 20, std::uint64_t(riffSize));
        put64(p + 28, std::uint64_t(dataBytes_));
        put64(p + 36, std::uint64_t(frames_));
    }
    std::memcpy(p + 48, "fmt ", 4);
    put32(p + 52, 16);
    put16(p + 56, 1);   // WAVE_FORMAT_PCM
    put16(p + 58, std::uint32_t(channels_));
    put32(p + 60, std::uint32_t(rate_));
    put32(p + 64, std::uint32_t(rate_ * blockAlign));
    put16(p + 68, std::uint32_t(blockAlign));
    put16(p + 70, std::uint32_t(bits_));
    std::memcpy(p + 72, "data", 4);
    put32(p + 76, rf64 ? 0xFFFFFFFFu : std::uint32_t(dataBytes_));
    // One call: the header on disk is always whole.
    if (file_.size() == 0)
        file_.write(h.data(), h.size());
    else
        file_.writeAt(0, h.data(), h.size());
}

void WavWriter::write(const float* interleaved, int frames)
{
    if (!open_)
        throw EngineError(QStringLiteral("Cannot write to %1: the file is closed").arg(file_.path()));
    if (frames <= 0)
        return;
    const std::size_t samples = std::size_t(frames) * std::size_t(channels_);
    const std::size_t frameBytes = std::size_t(channels_ * bits_ / 8);
    bytes_.resize(samples * std::size_t(bits_ / 8));
    std::uint8_t* out = bytes_.data();
    if (bits_ == 8) {
        for (std::size_t i = 0; i < samples; ++i)
            out[i] = std::uint8_t(quantised(interleaved[i], 24) + 128);
    } else {
        for (std::size_t i = 0; i < samples; ++i)
            put16(out + 2 * i, std::uint32_t(quantised(interleaved[i], 16)));
    }
    const std::int64_t before = file_.size();
    try {
        file_.write(bytes_.data(), bytes_.size());
    } catch (...) {
        // The whole frames that reached the disk stay a playable file.
        const std::int64_t reached = (file_.size() - before) / std::int64_t(frameBytes);
        frames_ += reached;
        dataBytes_ += reached * std::int64_t(frameBytes);
        try {
            writeHeader();
        } catch (const EngineError&) {
            // The first failure is the one to report.
        }
        throw;
    }
    frames_ += frames;
    dataBytes_ += std::int64_t(bytes_.size());
    writeHeader();
}

void WavWriter::finish()
{
    if (!open_)
        return;
    open_ = false;
    if (dataBytes_ % 2 != 0) {   // chunks end on an even byte
        const std::uint8_t zero = 0;
        file_.writeAt(HeaderBytes + dataBytes_, &zero, 1);
        padded_ = true;
    }
    writeHeader();
    file_.close();
}

} // namespace files
