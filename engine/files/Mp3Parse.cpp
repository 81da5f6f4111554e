#include "engine/files/Mp3Parse.h"

#include <QFile>
#include <algorithm>
#include <cstring>

namespace files {

namespace {

const int kBitrates[2][3][16] = {
    // MPEG 1: layer 1, 2, 3
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, -1},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, -1},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1}},
    // MPEG 2 and 2.5: layer 1, 2, 3
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, -1},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1}},
};

const int kRates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

std::uint32_t be32(const unsigned char* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

bool sameStream(const Mp3FrameHeader& a, const Mp3FrameHeader& b)
{
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

// A header at pos that is followed by a matching header (or by the end of the data).
bool frameAt(const unsigned char* data, std::size_t end, std::size_t pos, Mp3FrameHeader& h)
{
    if (pos + 4 > end || !parseMp3Header(data + pos, h))
        return false;
    const std::size_t next = pos + static_cast<std::size_t>(h.frameBytes);
    if (next > end)
        return false;
    if (next + 4 > end)
        return true;
    Mp3FrameHeader n;
    return parseMp3Header(data + next, n) && sameStream(h, n);
}

std::size_t skipId3v2(const unsigned char* data, std::size_t size)
{
    std::size_t pos = 0;
    while (pos + 10 <= size && std::memcmp(data + pos, "ID3", 3) == 0 && data[pos + 3] != 0xFF
           && data[pos + 4] != 0xFF && !((data[pos + 6] | data[pos + 7] | data[pos + 8] | data[pos + 9]) & 0x80)) {
        std::size_t len = (std::size_t(data[pos + 6]) << 21) | (std::size_t(data[pos + 7]) << 14)
                          | (std::size_t(data[pos + 8]) << 7) | data[pos + 9];
        len += 10;
        if (data[pos + 5] & 0x10)
            len += 10;  // footer
        pos += len;
    }
    return std::min(pos, size);
}

std::size_t trimTrailingTags(const unsigned char* data, std::size_t begin, std::size_t end)
{
    if (end >= begin + 128 && std::memcmp(data + end - 128, "TAG", 3) == 0)
        end -= 128;
    if (end >= begin + 32 && std::memcmp(data + end - 32, "APETAGEX", 8) == 0) {
        const unsigned char* f = data + end - 32;
        const std::size_t tagSize = f[12] | (std::size_t(f[13]) << 8) | (std::size_t(f[14]) << 16) | (std::size_t(f[15]) << 24);
        const std::uint32_t flags = f[20] | (std::uint32_t(f[21]) << 8) | (std::uint32_t(f[22]) << 16) | (std::uint32_t(f[23]) << 24);
        const std::size_t total = tagSize + ((flags & 0x80000000u) ? 32 : 0);
        if (total <= end - begin)
            end -= total;
    }
    return end;
}

} // namespace

bool parseMp3Header(const unsigned char* p, Mp3FrameHeader& out)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    const int versionBits = (p[1] >> 3) & 3;
    const int layerBits = (p[1] >> 1) & 3;
    const int bitrateIndex = (p[2] >> 4) & 15;
    const int rateIndex = (p[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 15 || bitrateIndex == 0 || rateIndex == 3)
        return false;
    Mp3FrameHeader h;
    h.version = versionBits == 3 ? 10 : versionBits == 2 ? 20 : 25;
    h.layer = 4 - layerBits;
    h.crc = !(p[1] & 1);
    h.padding = (p[2] >> 1) & 1;
    h.channels = ((p[3] >> 6) & 3) == 3 ? 1 : 2;
    h.bitrateKbps = kBitrates[h.version == 10 ? 0 : 1][h.layer - 1][bitrateIndex];
    h.sampleRate = kRates[h.version == 10 ? 0 : h.version == 20 ? 1 : 2][rateIndex];
    const int br = h.bitrateKbps * 1000;
    if (h.layer == 1) {
        h.samplesPerFrame = 384;
        h.frameBytes = (12 * br / h.sampleRate + (h.padding ? 1 : 0)) * 4;
    } else if (h.layer == 2 || h.version == 10) {
        h.samplesPerFrame = 1152;
        h.frameBytes = 144 * br / h.sampleRate + (h.padding ? 1 : 0);
    } else {
        h.samplesPerFrame = 576;
        h.frameBytes = 72 * br / h.sampleRate + (h.padding ? 1 : 0);
    }
    if (h.frameBytes < 8)
        return false;
    out = h;
    return true;
}

Mp3StreamInfo inspectMp3(const unsigned char* data, std::size_t size)
{
    Mp3StreamInfo info;
    const std::size_t begin = skipId3v2(data, size);
    const std::size_t end = trimTrailingTags(data, begin, size);
    if (end <= begin)
        return info;

    // First frame: a header followed by a matching one, within the first megabyte of junk.
    std::size_t pos = begin;
    const std::size_t searchLimit = std::min(end, begin + (std::size_t(1) << 20));
    Mp3FrameHeader h;
    while (pos < searchLimit && !frameAt(data, end, pos, h))
        ++pos;
    if (pos >= searchLimit)
        return info;

    // A Xing/Info/VBRI tag frame describes the stream and is not decoded as audio.
    std::size_t audioBegin = pos;
    std::int64_t tagFrames = -1;
    std::int64_t tagBytes = -1;
    if (h.layer == 3) {
        const int sideInfo = h.version == 10 ? (h.channels == 1 ? 17 : 32) : (h.channels == 1 ? 9 : 17);
        const std::size_t x = pos + 4 + (h.crc ? 2 : 0) + static_cast<std::size_t>(sideInfo);
        const std::size_t frameEnd = pos + static_cast<std::size_t>(h.frameBytes);
        const std::size_t v = pos + 4 + 32;
        if (x + 8 <= frameEnd && (std::memcmp(data + x, "Xing", 4) == 0 || std::memcmp(data + x, "Info", 4) == 0)) {
            info.vbr = std::memcmp(data + x, "Xing", 4) == 0;
            const std::uint32_t flags = be32(data + x + 4);
            std::size_t q = x + 8;
            if ((flags & 1) && q + 4 <= frameEnd) { tagFrames = be32(data + q); q += 4; }
            if ((flags & 2) && q + 4 <= frameEnd) { tagBytes = be32(data + q); q += 4; }
            if (flags & 4) q += 100;
            if (flags & 8) q += 4;
            if (q + 24 <= frameEnd) {
                const unsigned char* lame = data + q;
                if (std::memcmp(lame, "LAME", 4) == 0 || std::memcmp(lame, "Lavf", 4) == 0
                    || std::memcmp(lame, "Lavc", 4) == 0) {
                    const std::uint32_t d = (std::uint32_t(lame[21]) << 16) | (std::uint32_t(lame[22]) << 8) | lame[23];
                    info.hasLameTag = true;
                    info.encoderDelay = static_cast<int>(d >> 12);
                    info.encoderPadding = static_cast<int>(d & 4095);
                }
            }
            audioBegin = frameEnd;
        } else if (v + 18 <= frameEnd && std::memcmp(data + v, "VBRI", 4) == 0) {
            info.vbr = true;
            tagBytes = be32(data + v + 10);
            tagFrames = be32(data + v + 14);
            audioBegin = frameEnd;
        }
    }
    info.first = h;
    if (audioBegin != pos) {
        Mp3FrameHeader a;
        if (frameAt(data, end, audioBegin, a))
            info.first = a;
    }

    const int spf = info.first.samplesPerFrame;
    const std::size_t audioBytes = end - audioBegin;
    // The tag's byte count includes the tag frame itself; a file shorter than it was cut off.
    const bool tagUsable = tagFrames > 0
        && (tagBytes < 0 || static_cast<std::uint64_t>(tagBytes) <= static_cast<std::uint64_t>(end - pos) + 16)
        && static_cast<std::uint64_t>(tagFrames) * 8 <= audioBytes + 8;
    std::int64_t frames = 0;
    std::int64_t bytes = 0;
    if (tagUsable) {
        frames = tagFrames;
        bytes = tagBytes > 0 ? tagBytes - (static_cast<std::int64_t>(audioBegin) - static_cast<std::int64_t>(pos))
                             : static_cast<std::int64_t>(audioBytes);
        info.fromTag = true;
    } else {
        // Walk every frame; after damage, find the next header that a matching one follows.
        std::size_t p = audioBegin;
        int lastBitrate = -1;
        while (p + 4 <= end) {
            Mp3FrameHeader f;
            if (parseMp3Header(data + p, f) && sameStream(f, info.first)
                && p + static_cast<std::size_t>(f.frameBytes) <= end) {
                ++frames;
                bytes += f.frameBytes;
                if (lastBitrate >= 0 && f.bitrateKbps != lastBitrate)
                    info.vbr = true;
                lastBitrate = f.bitrateKbps;
                p += static_cast<std::size_t>(f.frameBytes);
                continue;
            }
            ++p;
            while (p + 4 <= end) {
                if (frameAt(data, end, p, f) && sameStream(f, info.first))
                    break;
                ++p;
            }
        }
    }
    info.audioFrames = frames;
    std::int64_t total = frames * spf;
    if (info.hasLameTag) {
        // The decoder drops delay + 529 samples at the start and, when the frame count is
        // known from the tag, everything from total - padding + 529 on.
        std::int64_t stop = total;
        if (tagUsable)
            stop = std::min(total, total - info.encoderPadding + 529);
        total = stop - (info.encoderDelay + 529);
    }
    info.length = std::max<std::int64_t>(0, total);
    if (frames > 0 && info.first.sampleRate > 0)
        info.averageKbps = static_cast<int>((bytes * 8 * info.first.sampleRate) / (frames * spf) / 1000);
    if (!info.vbr)
        info.averageKbps = info.first.bitrateKbps;
    info.valid = frames > 0 || tagUsable;
    return info;
}

Mp3StreamInfo inspectMp3File(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() <= 0)
        return {};
    uchar* map = f.map(0, f.size());
    if (map) {
        Mp3StreamInfo info = inspectMp3(map, static_cast<std::size_t>(f.size()));
        f.unmap(map);
        return info;
    }
    const QByteArray all = f.readAll();
    return inspectMp3(reinterpret_cast<const unsigned char*>(all.constData()), static_cast<std::size_t>(all.size()));
}

QString mp3VersionText(int version, int layer)
{
    // MPEG 2.5 (8000 to 12000 Hz) is an extension of MPEG 2 and is named as such: every MPEG
    // description starts "MPEG 1.0 layer-" or "MPEG 2.0 layer-".
    const char* v = version == 10 ? "1.0" : "2.0";
    return QStringLiteral("MPEG %1 layer-%2").arg(QLatin1String(v)).arg(layer);
}

} // namespace files
