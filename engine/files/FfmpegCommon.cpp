#include "engine/files/FfmpegCommon.h"

#include <mutex>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace files {

QString avErrorText(int err)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(err, buf, sizeof buf) < 0)
        return QStringLiteral("FFmpeg error %1").arg(err);
    return QString::fromUtf8(buf);
}

void initFfmpegLogging()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (qEnvironmentVariableIsEmpty("TAVRIN_FFMPEG_LOG"))
            av_log_set_level(AV_LOG_FATAL);
    });
}

} // namespace files
