// libFuzzer target; the work is fuzzbodies::audioInfo (FuzzBodies.h).
#include "FuzzBodies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzbodies::audioInfo(data, size);
    return 0;
}
