// libFuzzer target; the work is fuzzbodies::ini (FuzzBodies.h).
#include "FuzzBodies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzbodies::ini(data, size);
    return 0;
}
