// The path shortening of the status bar, for any path and width.
#include "FuzzSupport.h"
#include "app/Unit1.h"

#include <QFont>
#include <QFontMetrics>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzsupport::guiApp();
    if (size < 2)
        return 0;
    static const QFontMetrics metrics{QFont()};
    const int width = (data[0] << 8 | data[1]) - 1000;   // negative widths too
    const QString path = QString::fromUtf8(reinterpret_cast<const char*>(data + 2), int(size - 2));
    (void)TForm1::ShortenPath(path, metrics, width);
    return 0;
}
