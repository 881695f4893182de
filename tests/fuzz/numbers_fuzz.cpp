// Numbers of script fields and options, against the C library on this machine: the
// decimal reading is strtoll's value taken modulo 2^32, the base-0 reading is strtoll's
// value clamped to 32 bits, and the end of the digits is where strtoll stops.

#include "fuzzinput.h"

#include "../../base/numbers.h"

#include <cerrno>

namespace {

long long Wrap32(long long value)
{
    const uint32_t low = static_cast<uint32_t>(static_cast<unsigned long long>(value));
    return low > 0x7FFFFFFFu ? static_cast<long long>(low) - 0x100000000LL : static_cast<long long>(low);
}

long long Clamp32(long long value)
{
    return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string field = fuzz::Text(std::string(reinterpret_cast<const char*>(data), size));
    fuzz::Block text(field.size() + 1);
    std::memcpy(text.data(), field.c_str(), field.size() + 1);

    const char* end = nullptr;
    const long decimal = ParseDecimalAt(text.data(), &end);
    FUZZ_CHECK(decimal >= INT32_MIN && decimal <= INT32_MAX);
    FUZZ_CHECK(decimal == ParseDecimal(text.data()));
    FUZZ_CHECK(end >= text.data() && end <= text.data() + field.size());

    errno = 0;
    char* libraryEnd = nullptr;
    const long long reference = std::strtoll(text.data(), &libraryEnd, 10);
    FUZZ_CHECK(end == libraryEnd);
    if (errno != ERANGE) FUZZ_CHECK(decimal == Wrap32(reference));

    const long integer = ParseInteger(text.data());
    errno = 0;
    const long long based = std::strtoll(text.data(), nullptr, 0);
    FUZZ_CHECK(integer == Clamp32(based));  // an out-of-range strtoll result clamps too
    return 0;
}
