// TAudioFile2 reading arbitrary bytes under each extension: Open either fails cleanly
// (LastError) or the file reads, seeks and reads again without a crash.
#include "FuzzSupport.h"
#include "engine/EngineError.h"
#include "engine/TAudioFile2.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const QString path = fuzzsupport::scratchFile(data + 1, size - 1, fuzzsupport::extensionFor(data[0]));
    {
        TAudioFile2 file;
        file.setActive(true);
        file.Open(path, 0, 1);
        if (file.LastError() == 0) {
            const int length = file.Length();
            if (length < 0 || file.SampleRate() <= 0 || file.Channels() < 1 || file.Channels() > 2)
                std::abort();
            (void)file.FormatDescription();
            int reads = 0;
            for (; reads < 400; ++reads) {
                SampleArray a = file.ReadArray(4410);
                if (a.isEmpty())
                    break;
                if (a.channels() != file.Channels())
                    std::abort();
            }
            if (length > 0) {
                const int reached = file.Seek(length / 2, 3);
                if (reached < 0 || reached > length)
                    std::abort();
                (void)file.ReadArray(4410);
                (void)file.Seek(length + 1000, 3);
                (void)file.ReadArray(100);
            }
            (void)file.Seek(-5, 3);
            (void)file.ReadArray(10);
        }
        file.Close();
    }
    QFile::remove(path);
    return 0;
}
