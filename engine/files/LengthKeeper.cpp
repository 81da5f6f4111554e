#include "engine/files/LengthKeeper.h"

#include "engine/files/SideFile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

namespace files {

namespace {

std::uint16_t le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
std::uint64_t le64(const unsigned char* p) { return le32(p) | std::uint64_t(le32(p + 4)) << 32; }
void putLe64(unsigned char* p, std::uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// ---- FLAC ---------------------------------------------------------------------------------

constexpr auto kCrc8 = [] {
    std::array<std::uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        std::uint8_t c = static_cast<std::uint8_t>(i);
        for (int b = 0; b < 8; ++b)
            c = static_cast<std::uint8_t>(c & 0x80 ? (c << 1) ^ 0x07 : c << 1);
        t[static_cast<std::size_t>(i)] = c;
    }
    return t;
}();

constexpr auto kCrc16 = [] {
    std::array<std::uint16_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        std::uint16_t c = static_cast<std::uint16_t>(i << 8);
        for (int b = 0; b < 8; ++b)
            c = static_cast<std::uint16_t>(c & 0x8000 ? (c << 1) ^ 0x8005 : c << 1);
        t[static_cast<std::size_t>(i)] = c;
    }
    return t;
}();

std::uint8_t crc8(const unsigned char* p, std::size_t n)
{
    std::uint8_t c = 0;
    for (std::size_t i = 0; i < n; ++i)
        c = kCrc8[c ^ p[i]];
    return c;
}

// Over a whole frame, its stored CRC included: 0 when the frame is intact.
std::uint16_t crc16(const unsigned char* p, std::size_t n)
{
    std::uint16_t c = 0;
    for (std::size_t i = 0; i < n; ++i)
        c = static_cast<std::uint16_t>((c << 8) ^ kCrc16[(c >> 8) ^ p[i]]);
    return c;
}

struct FrameHeader {
    bool variable = false;        // the number counts samples, not frames
    std::uint64_t number = 0;
    std::uint32_t blockSize = 0;
    std::size_t length = 0;       // bytes of the header, its CRC-8 included
};

enum class Parse { Ok, Short, Bad };

Parse parseFrameHeader(const unsigned char* p, std::size_t avail, FrameHeader& h)
{
    if (avail < 2)
        return Parse::Short;
    if (p[0] != 0xFF || (p[1] & 0xFE) != 0xF8)
        return Parse::Bad;
    if (avail < 5)
        return Parse::Short;
    const int sizeCode = p[2] >> 4;
    const int rateCode = p[2] & 0x0F;
    const int assignment = p[3] >> 4;
    const int bitsCode = (p[3] >> 1) & 7;
    if (sizeCode == 0 || rateCode == 15 || assignment > 10 || bitsCode == 3 || (p[3] & 1))
        return Parse::Bad;
    h.variable = p[1] & 1;
    // The frame or sample number, UTF-8 coded.
    const unsigned char lead = p[4];
    int more = 0;
    std::uint64_t v = 0;
    if (lead < 0x80) {
        v = lead;
    } else {
        for (more = 1; more <= 6 && (lead & (0x80 >> (more + 1))); ++more) {
        }
        if (more > 6 || (lead & 0xC0) != 0xC0)
            return Parse::Bad;
        v = lead & (0x3F >> more);
    }
    std::size_t at = 5;
    if (avail < at + static_cast<std::size_t>(more) + 5)   // the number, sizes, rate and CRC-8
        return Parse::Short;
    for (int i = 0; i < more; ++i, ++at) {
        if ((p[at] & 0xC0) != 0x80)
            return Parse::Bad;
        v = v << 6 | (p[at] & 0x3F);
    }
    h.number = v;
    if (sizeCode == 1)
        h.blockSize = 192;
    else if (sizeCode <= 5)
        h.blockSize = 576u << (sizeCode - 2);
    else if (sizeCode == 6)
        h.blockSize = p[at++] + 1u;
    else if (sizeCode == 7) {
        h.blockSize = (std::uint32_t(p[at]) << 8 | p[at + 1]) + 1u;
        at += 2;
    } else
        h.blockSize = 256u << (sizeCode - 8);
    if (rateCode == 12)
        at += 1;
    else if (rateCode == 13 || rateCode == 14)
        at += 2;
    if (crc8(p, at) != p[at])
        return Parse::Bad;
    h.length = at + 1;
    return Parse::Ok;
}

// The file: "fLaC", STREAMINFO (34 bytes, the total of samples in 36 bits at its byte 13),
// further metadata blocks, then the frames. Each frame's header gives its number and size.
class FlacKeeper final : public LengthKeeper {
public:
    void update(SideFile& file) override
    {
        if (off_ || (!started_ && !start(file)))
            return;
        const std::int64_t size = file.size();
        if (size <= next_)
            return;
        buf_.resize(static_cast<std::size_t>(size - next_));
        buf_.resize(file.readAt(next_, buf_.data(), buf_.size()));
        const unsigned char* b = buf_.data();
        const std::size_t n = buf_.size();
        std::size_t pos = 0;
        while (pos < n) {
            FrameHeader h;
            const Parse r = parseFrameHeader(b + pos, n - pos, h);
            if (r == Parse::Short)
                break;
            if (r == Parse::Bad || h.number != expected_) {
                off_ = true;   // not where a frame should start: leave the file alone
                return;
            }
            const std::uint64_t nextNumber = h.variable ? h.number + h.blockSize : h.number + 1;
            // The frame ends where the next one starts (a header with the next number, the
            // frame's CRC-16 holding up to it), or at the end of what is written.
            std::size_t end = 0;
            for (std::size_t c = pos + h.length; c + 1 < n; ++c) {
                const void* ff = std::memchr(b + c, 0xFF, n - 1 - c);
                if (!ff)
                    break;
                c = static_cast<std::size_t>(static_cast<const unsigned char*>(ff) - b);
                FrameHeader g;
                if (parseFrameHeader(b + c, n - c, g) == Parse::Ok && g.number == nextNumber && crc16(b + pos, c - pos) == 0) {
                    end = c;
                    break;
                }
            }
            if (end == 0) {
                if (crc16(b + pos, n - pos) != 0)
                    break;   // the frame is still being written
                end = n;
            }
            if (!h.variable && nominal_ == 0)
                nominal_ = h.blockSize;
            samples_ = (h.variable ? h.number : h.number * nominal_) + h.blockSize;
            expected_ = nextNumber;
            pos = end;
        }
        next_ += static_cast<std::int64_t>(pos);
        if (samples_ == written_)
            return;
        unsigned char total[5];
        total[0] = static_cast<unsigned char>((streamInfo13_ & 0xF0) | ((samples_ >> 32) & 0x0F));
        for (int i = 0; i < 4; ++i)
            total[1 + i] = static_cast<unsigned char>(samples_ >> (24 - 8 * i));
        file.writeAt(kTotalAt, total, sizeof total);
        written_ = samples_;
    }

private:
    static constexpr std::int64_t kTotalAt = 8 + 13;

    bool start(SideFile& file)
    {
        unsigned char head[42];
        if (file.readAt(0, head, sizeof head) < sizeof head)
            return false;   // the writer has not put the header down yet
        if (std::memcmp(head, "fLaC", 4) != 0 || (head[4] & 0x7F) != 0 || (head[5] << 16 | head[6] << 8 | head[7]) != 34
            || !file.writable()) {
            off_ = true;
            return false;
        }
        const unsigned minBlock = head[8] << 8 | head[9];
        const unsigned maxBlock = head[10] << 8 | head[11];
        nominal_ = minBlock == maxBlock ? minBlock : 0;
        streamInfo13_ = head[kTotalAt];
        std::int64_t at = 4;
        for (;;) {
            unsigned char block[4];
            if (file.readAt(at, block, 4) < 4)
                return false;
            at += 4 + (block[1] << 16 | block[2] << 8 | block[3]);
            if (block[0] & 0x80)
                break;
        }
        next_ = at;
        started_ = true;
        return true;
    }

    bool off_ = false;
    bool started_ = false;
    std::int64_t next_ = 0;          // where the first frame not yet counted starts
    std::uint64_t expected_ = 0;     // its frame (or sample) number
    std::uint32_t nominal_ = 0;      // samples of every frame but the last
    std::uint64_t samples_ = 0;      // in the frames counted
    std::uint64_t written_ = 0;      // the total the header holds
    unsigned char streamInfo13_ = 0; // bits per sample share the byte with the total
    std::vector<unsigned char> buf_;
};

// ---- ASF ----------------------------------------------------------------------------------

using Guid = std::array<unsigned char, 16>;
constexpr Guid kHeaderObject{0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr Guid kFileProperties{0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11, 0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr Guid kStreamProperties{0x91, 0x07, 0xDC, 0xB7, 0xB7, 0xA9, 0xCF, 0x11, 0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr Guid kAudioMedia{0x40, 0x9E, 0x69, 0xF8, 0x4D, 0x5B, 0xCF, 0x11, 0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B};
constexpr Guid kDataObject{0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

bool isGuid(const unsigned char* p, const Guid& g) { return std::memcmp(p, g.data(), g.size()) == 0; }

// The header object holds the file properties (with the fields below, offsets from the
// object's start) and a stream properties object per stream; the data object follows it, its
// packets all of one size after its 50 bytes.
class AsfKeeper final : public LengthKeeper {
public:
    void update(SideFile& file) override
    {
        if (off_ || (!started_ && !start(file)))
            return;
        const std::int64_t size = file.size();
        const std::int64_t packets = (size - dataStart_) / packetSize_;
        if (packets <= packets_)
            return;
        // The newest media object that is whole on disk: from the last whole packet back.
        // (The muxer's own header at completion says one frame more: the decoder's delay.)
        std::vector<unsigned char> packet(static_cast<std::size_t>(packetSize_));
        for (std::int64_t k = packets - 1; k >= packets_ && k >= packets - 16; --k) {
            if (file.readAt(dataStart_ + k * packetSize_, packet.data(), packet.size()) < packet.size())
                return;
            if (const std::optional<std::int64_t> end = lastObjectEnd(packet)) {
                endMs_ = std::max(endMs_, *end);
                break;
            }
        }
        packets_ = packets;
        unsigned char fields[kSendAt + 8 - kFileSizeAt];
        std::memcpy(fields, properties_.data() + kFileSizeAt, sizeof fields);
        putLe64(fields, static_cast<std::uint64_t>(size));
        putLe64(fields + (kPacketsAt - kFileSizeAt), static_cast<std::uint64_t>(packets));
        putLe64(fields + (kPlayAt - kFileSizeAt), static_cast<std::uint64_t>(endMs_ + prerollMs_) * 10000);
        putLe64(fields + (kSendAt - kFileSizeAt), static_cast<std::uint64_t>(endMs_) * 10000);
        file.writeAt(propertiesAt_ + kFileSizeAt, fields, sizeof fields);
    }

private:
    static constexpr std::size_t kFileSizeAt = 40, kPacketsAt = 56, kPlayAt = 64, kSendAt = 72, kPrerollAt = 80,
                                 kMinPacketAt = 92, kMaxPacketAt = 96, kPropertiesSize = 104;

    bool start(SideFile& file)
    {
        unsigned char top[30];
        if (file.readAt(0, top, sizeof top) < sizeof top)
            return false;
        const std::uint64_t headerSize = le64(top + 16);
        if (!isGuid(top, kHeaderObject) || headerSize < 30 || headerSize > (1u << 20) || !file.writable()) {
            off_ = true;
            return false;
        }
        std::vector<unsigned char> h(static_cast<std::size_t>(headerSize) + 24);
        if (file.readAt(0, h.data(), h.size()) < h.size())
            return false;
        if (!isGuid(h.data() + headerSize, kDataObject)) {
            off_ = true;
            return false;
        }
        for (std::size_t at = 30; at + 24 <= headerSize;) {
            const std::uint64_t objectSize = le64(h.data() + at + 16);
            if (objectSize < 24 || objectSize > headerSize - at)
                break;
            const unsigned char* o = h.data() + at;
            if (isGuid(o, kFileProperties) && objectSize >= kPropertiesSize) {
                propertiesAt_ = static_cast<std::int64_t>(at);
                properties_.assign(o, o + kPropertiesSize);
            } else if (isGuid(o, kStreamProperties) && objectSize >= 74 && isGuid(o + 24, kAudioMedia) && stream_ < 0) {
                stream_ = le16(o + 72) & 0x7F;
            }
            at += static_cast<std::size_t>(objectSize);
        }
        if (propertiesAt_ < 0 || stream_ < 0) {
            off_ = true;
            return false;
        }
        packetSize_ = le32(properties_.data() + kMinPacketAt);
        prerollMs_ = static_cast<std::int64_t>(le64(properties_.data() + kPrerollAt));
        if (packetSize_ < 32 || packetSize_ != le32(properties_.data() + kMaxPacketAt) || prerollMs_ > 60000) {
            off_ = true;
            return false;
        }
        dataStart_ = static_cast<std::int64_t>(headerSize) + 50;
        started_ = true;
        return true;
    }

    // Where (ms from the stream's start) the last media object of our stream that ends in this
    // packet starts; nothing when none does or the packet is not laid out as ASF says. What
    // decodes of the file ends there: the WMA decoder takes its first frame (the writer's
    // lead-in of silence) for its delay, so each frame's sound comes out one frame later.
    std::optional<std::int64_t> lastObjectEnd(const std::vector<unsigned char>& p) const
    {
        const std::size_t n = p.size();
        std::size_t at = 0;
        bool bad = false;
        const auto field = [&](int type) -> std::uint32_t {
            const std::size_t bytes = type == 3 ? 4 : static_cast<std::size_t>(type);
            if (at + bytes > n) {
                bad = true;
                return 0;
            }
            const std::uint32_t v = type == 0 ? 0 : type == 1 ? p[at] : type == 2 ? le16(&p[at]) : le32(&p[at]);
            at += bytes;
            return v;
        };
        if (p[0] & 0x80)
            at = 1 + (p[0] & 0x0F);   // error correction data
        const int lengthFlags = static_cast<int>(field(1));
        const int propertyFlags = static_cast<int>(field(1));
        field((lengthFlags >> 5) & 3);   // packet length
        field((lengthFlags >> 1) & 3);   // sequence
        const std::uint32_t padding = field((lengthFlags >> 3) & 3);
        field(3);                        // send time
        field(2);                        // duration
        const bool multiple = lengthFlags & 1;
        int payloads = 1;
        int payloadLengthType = 0;
        if (multiple) {
            const std::uint32_t flags = field(1);
            payloads = static_cast<int>(flags & 0x3F);
            payloadLengthType = static_cast<int>(flags >> 6);
        }
        std::optional<std::int64_t> end;
        for (int i = 0; i < payloads && !bad; ++i) {
            const int stream = static_cast<int>(field(1) & 0x7F);
            field((propertyFlags >> 4) & 3);   // media object number
            const std::uint32_t offset = field((propertyFlags >> 2) & 3);
            const std::uint32_t replicated = field(propertyFlags & 3);
            if (bad || replicated == 1 || at + replicated > n)
                return std::nullopt;   // compressed payloads: not what the muxer writes
            const std::uint32_t objectSize = replicated >= 8 ? le32(&p[at]) : 0;
            const std::uint32_t presentation = replicated >= 8 ? le32(&p[at + 4]) : 0;
            at += replicated;
            const std::size_t length = multiple ? field(payloadLengthType) : n - std::min<std::size_t>(n, at + padding);
            if (bad || at + length > n)
                return std::nullopt;
            if (stream == stream_ && replicated >= 8 && offset + length == objectSize)
                end = std::max<std::int64_t>(0, std::int64_t(presentation) - prerollMs_);
            at += length;
        }
        return bad ? std::nullopt : end;
    }

    bool off_ = false;
    bool started_ = false;
    std::int64_t propertiesAt_ = -1;
    std::vector<unsigned char> properties_;   // the file properties object as first written
    int stream_ = -1;
    std::int64_t prerollMs_ = 0;
    std::int64_t packetSize_ = 0;
    std::int64_t dataStart_ = 0;
    std::int64_t packets_ = 0;   // whole packets on disk at the last update
    std::int64_t endMs_ = 0;
};

} // namespace

std::unique_ptr<LengthKeeper> flacLengthKeeper() { return std::make_unique<FlacKeeper>(); }
std::unique_ptr<LengthKeeper> asfLengthKeeper() { return std::make_unique<AsfKeeper>(); }

} // namespace files
