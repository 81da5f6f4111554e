// The reading of tips.txt: its non-empty lines, whatever the bytes.
#include "FuzzSupport.h"

#if __has_include("auxiliary/tip.h")
#include "auxiliary/tip.h"
#define TAVRIN_HAVE_TIPS 1
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
#ifdef TAVRIN_HAVE_TIPS
    const QStringList tips = TTipForm::TipsOf(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    for (const QString& tip : tips)
        if (tip.trimmed().isEmpty() || tip.contains(QLatin1Char('\n')))
            std::abort();   // a tip is one non-empty line
#else
    (void)data;
    (void)size;
#endif
    return 0;
}
