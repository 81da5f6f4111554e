// libFuzzer target; the work is fuzzbodies::shortenPath (FuzzBodies.h).
#include "FuzzBodies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzbodies::shortenPath(data, size);
    return 0;
}
