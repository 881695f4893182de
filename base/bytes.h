// Little-endian words and double words at any byte of a resource image (dialog templates,
// string tables), read and written whole without assuming their alignment. Windows and
// every build of the program are little-endian, so the bytes are copied as they lie.
#pragma once

#include <cstdint>
#include <cstring>

inline uint16_t ReadWord(const uint8_t* at)
{
    uint16_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

inline uint32_t ReadDword(const uint8_t* at)
{
    uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

inline void WriteWord(uint8_t* at, uint16_t value)
{
    std::memcpy(at, &value, sizeof value);
}

inline void WriteDword(uint8_t* at, uint32_t value)
{
    std::memcpy(at, &value, sizeof value);
}
