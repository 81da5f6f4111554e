// TAudioInformation2::ReadInfo on arbitrary bytes under each extension: tags and stream data
// are read, or a clear EngineError is raised; nothing else.
#include "FuzzSupport.h"
#include "engine/EngineError.h"
#include "engine/TAudioInformation2.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const QString path = fuzzsupport::scratchFile(data + 1, size - 1, fuzzsupport::extensionFor(data[0]));
    {
        TAudioInformation2 info;
        info.setInfoEnabled(true);
        try {
            info.ReadInfo(path);
            (void)info.infoTitle();
            (void)info.infoArtist();
            (void)info.infoAlbum();
            (void)info.infoComments();
            (void)info.infoCopyright();
            (void)info.infoGenre();
            (void)info.infoYear();
            (void)info.infoTrack();
            if (info.Duration() < 0 || info.FileSize() != qint64(size - 1))
                std::abort();
            (void)info.FormatDescription();
        } catch (const EngineError&) {
        }
    }
    QFile::remove(path);
    return 0;
}
