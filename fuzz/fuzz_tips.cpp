// libFuzzer target; the work is fuzzbodies::tips (FuzzBodies.h).
#include "FuzzBodies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzbodies::tips(data, size);
    return 0;
}
