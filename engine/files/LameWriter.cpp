#include "engine/files/LameWriter.h"

#include "engine/EngineError.h"

#include <lame/lame.h>

#include <algorithm>

namespace files {

struct LameWriter::Lame {
    lame_global_flags* gf = nullptr;
    ~Lame()
    {
        if (gf)
            lame_close(gf);
    }
};

bool LameWriter::rateSupported(int sampleRate)
{
    static const int rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    return std::find(std::begin(rates), std::end(rates), sampleRate) != std::end(rates);
}

namespace {
// Opens the file only after the encoder settings proved valid, so a bad format leaves no file.
QString checkedPath(const QString& path, int sampleRate, int channels, int bitrateKbps)
{
    if (!LameWriter::rateSupported(sampleRate))
        throw EngineError(QStringLiteral("MP3 files cannot be written at %1 Hz").arg(sampleRate));
    if (channels < 1 || channels > 2)
        throw EngineError(QStringLiteral("MP3 files cannot be written with %1 channels").arg(channels));
    if (bitrateKbps < 8 || bitrateKbps > 320)
        throw EngineError(QStringLiteral("MP3 files cannot be written at %1 kbps").arg(bitrateKbps));
    return path;
}
// Whether LAME writes its own tag frame: it needs room for the side information and its
// 156-byte tag in one frame of the stream's bitrate (mirrors LAME's InitVbrTag).
bool lameTagFits(int sampleRate, int channels, int kbps)
{
    const int mpeg1 = sampleRate >= 32000 ? 1 : 0;
    const int sideInfo = mpeg1 ? (channels == 1 ? 4 + 17 : 4 + 32) : (channels == 1 ? 4 + 9 : 4 + 17);
    const int frameSize = ((mpeg1 + 1) * 72000 * kbps) / sampleRate;
    return frameSize >= sideInfo + 156;
}

const int kL3Bitrates[2][15] = {
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
};

unsigned crc16Update(unsigned crc, unsigned char byte)
{
    crc ^= byte;
    for (int i = 0; i < 8; ++i)
        crc = (crc & 1) ? (crc >> 1) ^ 0xA001u : crc >> 1;
    return crc & 0xFFFFu;
}

void put32(unsigned char* p, std::uint32_t v)
{
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

} // namespace

LameWriter::LameWriter(const QString& path, int sampleRate, int channels, int bitrateKbps)
    : lame_(std::make_unique<Lame>()),
      file_(checkedPath(path, sampleRate, channels, bitrateKbps)),
      channels_(channels)
{
    lame_->gf = lame_init();
    if (!lame_->gf)
        throw EngineError(QStringLiteral("Cannot start the MP3 encoder: out of memory"));
    lame_global_flags* gf = lame_->gf;
    lame_set_num_channels(gf, channels);
    lame_set_in_samplerate(gf, sampleRate);
    lame_set_out_samplerate(gf, sampleRate);
    lame_set_VBR(gf, vbr_off);
    lame_set_brate(gf, bitrateKbps);
    lame_set_mode(gf, channels == 1 ? MONO : JOINT_STEREO);
    ownTag_ = !lameTagFits(sampleRate, channels, bitrateKbps);
    lame_set_bWriteVbrTag(gf, ownTag_ ? 0 : 1);
    const int r = lame_init_params(gf);
    if (r < 0)
        throw EngineError(QStringLiteral("The MP3 encoder rejected %1 Hz, %2 kbps, %3 channel(s) (LAME error %4)")
                              .arg(sampleRate).arg(bitrateKbps).arg(channels).arg(r));
    if (ownTag_) {
        // Placeholder: a silent frame of the smallest bitrate that holds the tag (written over
        // at the end). Its header is a valid layer-3 header of the stream's version and rate.
        const int version = sampleRate >= 32000 ? 1 : 0;   // 1: MPEG 1, 0: MPEG 2 or 2.5
        const int sideInfo = version == 1 ? (channels == 1 ? 17 : 32) : (channels == 1 ? 9 : 17);
        const int need = 4 + sideInfo + 16 + 36;
        int index = 1;
        int bytes = 0;
        for (; index < 15; ++index) {
            bytes = ((version + 1) * 72000 * kL3Bitrates[version == 1 ? 0 : 1][index]) / sampleRate;
            if (bytes >= need)
                break;
        }
        if (index >= 15)
            index = 14;
        const bool mpeg25 = sampleRate < 16000;
        static const int rates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
        const int row = version == 1 ? 0 : mpeg25 ? 2 : 1;
        int rateIndex = 0;
        while (rateIndex < 2 && rates[row][rateIndex] != sampleRate)
            ++rateIndex;
        const int versionBits = version == 1 ? 3 : mpeg25 ? 0 : 2;
        ownTagHeader_ = {0xFF, static_cast<unsigned char>(0xE0 | (versionBits << 3) | (1 << 1) | 1),
                         static_cast<unsigned char>((index << 4) | (rateIndex << 2)),
                         static_cast<unsigned char>(channels == 1 ? 0xC0 : 0x40)};
        ownTagBytes_ = bytes;
        std::vector<unsigned char> frame(static_cast<std::size_t>(bytes), 0);
        std::copy(ownTagHeader_.begin(), ownTagHeader_.end(), frame.begin());
        file_.write(frame.data(), frame.size());
    }
}

LameWriter::~LameWriter()
{
    if (!finished_) {
        try {
            finish();
        } catch (const EngineError&) {
        }
    }
}

void LameWriter::write(const float* interleaved, int frames)
{
    if (finished_)
        throw EngineError(QStringLiteral("Cannot write to %1: the file is closed").arg(file_.path()));
    // Bounded pieces keep the output buffer small.
    while (frames > 0) {
        const int n = std::min(frames, 65536);
        out_.resize(static_cast<std::size_t>(n) * 5 / 4 + 7200);
        int bytes = 0;
        if (channels_ == 2) {
            bytes = lame_encode_buffer_interleaved_ieee_float(lame_->gf, interleaved, n, out_.data(),
                                                              static_cast<int>(out_.size()));
        } else {
            bytes = lame_encode_buffer_ieee_float(lame_->gf, interleaved, interleaved, n, out_.data(),
                                                  static_cast<int>(out_.size()));
        }
        if (bytes < 0)
            throw EngineError(QStringLiteral("Cannot write to %1: the MP3 encoder failed (LAME error %2)")
                                  .arg(file_.path()).arg(bytes));
        file_.write(out_.data(), static_cast<std::size_t>(bytes));
        frames_ += n;
        frames -= n;
        interleaved += static_cast<std::size_t>(n) * static_cast<std::size_t>(channels_);
    }
}

void LameWriter::finish()
{
    if (finished_)
        return;
    finished_ = true;
    out_.resize(7200 * 2);
    const int bytes = lame_encode_flush(lame_->gf, out_.data(), static_cast<int>(out_.size()));
    if (bytes < 0)
        throw EngineError(QStringLiteral("Cannot complete %1: the MP3 encoder failed (LAME error %2)")
                              .arg(file_.path()).arg(bytes));
    file_.write(out_.data(), static_cast<std::size_t>(bytes));
    // The first frame written was a placeholder for the Xing/LAME tag.
    if (ownTag_) {
        writeOwnTag();
    } else {
        unsigned char tag[2880];
        const std::size_t tagBytes = lame_get_lametag_frame(lame_->gf, tag, sizeof tag);
        if (tagBytes > 0 && tagBytes <= sizeof tag && static_cast<std::int64_t>(tagBytes) <= file_.size())
            file_.writeAt(0, tag, tagBytes);
    }
    file_.close();
}

void LameWriter::writeOwnTag()
{
    lame_global_flags* gf = lame_->gf;
    std::vector<unsigned char> f(static_cast<std::size_t>(ownTagBytes_), 0);
    std::copy(ownTagHeader_.begin(), ownTagHeader_.end(), f.begin());
    const int version = lame_get_out_samplerate(gf) >= 32000 ? 1 : 0;
    const int sideInfo = version == 1 ? (channels_ == 1 ? 17 : 32) : (channels_ == 1 ? 9 : 17);
    unsigned char* x = f.data() + 4 + sideInfo;
    std::copy_n("Info", 4, x);
    put32(x + 4, 0x3);   // frames and bytes present
    put32(x + 8, static_cast<std::uint32_t>(lame_get_frameNum(gf)));
    put32(x + 12, static_cast<std::uint32_t>(file_.size()));
    unsigned char* l = x + 16;
    std::copy_n("LAME3.100", 9, l);
    l[9] = 0x01;   // tag revision 0, constant bitrate
    l[10] = static_cast<unsigned char>(std::clamp(lame_get_lowpassfreq(gf) / 100, 0, 255));
    l[20] = static_cast<unsigned char>(std::min(lame_get_brate(gf), 255));
    const int delay = std::clamp(lame_get_encoder_delay(gf), 0, 4095);
    const int padding = std::clamp(lame_get_encoder_padding(gf), 0, 4095);
    l[21] = static_cast<unsigned char>(delay >> 4);
    l[22] = static_cast<unsigned char>(((delay & 15) << 4) | (padding >> 8));
    l[23] = static_cast<unsigned char>(padding & 255);
    put32(l + 28, static_cast<std::uint32_t>(file_.size()));   // music length
    // CRC of the frame up to the tag's own CRC field.
    unsigned crc = 0;
    const std::size_t crcAt = static_cast<std::size_t>(l + 34 - f.data());
    for (std::size_t i = 0; i < crcAt; ++i)
        crc = crc16Update(crc, f[i]);
    l[34] = static_cast<unsigned char>(crc >> 8);
    l[35] = static_cast<unsigned char>(crc & 255);
    file_.writeAt(0, f.data(), f.size());
}

} // namespace files
