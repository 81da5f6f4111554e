// libFuzzer target; the work is fuzzbodies::shortFormatText (FuzzBodies.h).
#include "FuzzBodies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzbodies::shortFormatText(data, size);
    return 0;
}
