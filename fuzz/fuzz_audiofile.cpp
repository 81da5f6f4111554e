// libFuzzer target; the work is fuzzbodies::audioFile (FuzzBodies.h).
#include "FuzzBodies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzbodies::audioFile(data, size);
    return 0;
}
