#include "platform/MulDiv.h"

#include <cstdlib>
#include <limits>

int32_t MulDiv(int32_t a, int32_t b, int32_t c)
{
    if (c == 0)
        return -1;
    const int64_t product = int64_t(a) * int64_t(b);   // |product| <= 2^62: no overflow
    const int64_t divisor = c;
    int64_t quotient = product / divisor;              // truncated toward zero
    const int64_t remainder = product % divisor;       // same sign as product
    // Round half away from zero: a remainder of at least half the divisor moves the
    // quotient one step further from zero (in the direction of the exact result).
    if (remainder != 0 && 2 * std::llabs(remainder) >= std::llabs(divisor))
        quotient += ((product < 0) != (divisor < 0)) ? -1 : 1;
    if (quotient > std::numeric_limits<int32_t>::max()
        || quotient < std::numeric_limits<int32_t>::min())
        return -1;
    return int32_t(quotient);
}
