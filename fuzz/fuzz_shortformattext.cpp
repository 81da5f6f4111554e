// The short stream description of the status bar, from any description text.
#include "FuzzSupport.h"
#include "app/Unit1.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));
    (void)TForm1::ShortFormatText(text);
    return 0;
}
