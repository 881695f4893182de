#include "keysignature.h"

namespace {

// The unit that stands for every unit whose case partners are not all plain ASCII.
const uint32_t AnyUnit = 0x2A;

uint32_t FoldUnit(wchar_t unit)
{
    const uint32_t code = static_cast<uint32_t>(unit) & 0xFFFF;
    if (code >= 0x80) return AnyUnit;
    if ((code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z')) {
        const uint32_t lower = code | 0x20;
        return lower == 'i' || lower == 'k' || lower == 's' ? AnyUnit : lower;
    }
    return code;
}

// First slot of a signature's probe sequence.
size_t Home(uint32_t signature, size_t slots)
{
    return static_cast<size_t>(signature * 0x9E3779B1u) & (slots - 1);
}

} // namespace

uint32_t KeySignature(const wchar_t* key)
{
    // FNV-1a over the folded units.
    uint32_t hash = 2166136261u;
    for (const wchar_t* unit = key; *unit; ++unit) {
        hash ^= FoldUnit(*unit);
        hash *= 16777619u;
    }
    return hash ? hash : 1;
}

int KeySignatureKnown(const uint32_t* set, size_t slots, uint32_t signature)
{
    if (!set || !slots) return 1;
    for (size_t probe = 0, slot = Home(signature, slots); probe < slots; ++probe, slot = (slot + 1) & (slots - 1)) {
        if (set[slot] == signature) return 1;
        if (set[slot] == 0) return 0;
    }
    return 1;
}

int AddKeySignature(uint32_t* set, size_t slots, uint32_t signature)
{
    if (!set || !slots) return 0;
    for (size_t probe = 0, slot = Home(signature, slots); probe < slots; ++probe, slot = (slot + 1) & (slots - 1)) {
        if (set[slot] == signature) return 1;
        if (set[slot] == 0) {
            set[slot] = signature;
            return 1;
        }
    }
    return 0;
}
