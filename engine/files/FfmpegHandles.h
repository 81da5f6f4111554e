#pragma once
// Owning handles for the FFmpeg objects both adapters use. Included only by the adapter sources.
extern "C" {
#include <libavcodec/avcodec.h>
}
#include <memory>

namespace files {

struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

} // namespace files
