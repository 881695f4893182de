// Signatures of product keys, so that one walk of the products section can tell that no
// earlier line carries the same key as the line it stands on.
//
// The Setup API finds a line by key without regard to letter case. The folding here is
// coarser than any case folding it applies: ASCII letters count without their case, the
// letters i, k and s (which also have non-ASCII partners: dotted and dotless i, the
// Kelvin sign, the long s) and every non-ASCII unit count as one and the same unit.
// Two keys that the Setup API takes for the same thus always have the same signature;
// two with the same signature are only perhaps the same, and the caller then asks the
// Setup API.
#pragma once

#include <cstddef>
#include <cstdint>

// Signature of a zero-terminated key of UTF-16 code units; never 0.
uint32_t KeySignature(const wchar_t* key);

// A set of signatures in the caller's zeroed storage of `slots` entries (a power of
// two). Known is 1 when the signature was added before, and also when the set is full,
// so that a full set answers "perhaps" for every key; Add is 1 when the signature is in
// the set afterwards.
int KeySignatureKnown(const uint32_t* set, size_t slots, uint32_t signature);
int AddKeySignature(uint32_t* set, size_t slots, uint32_t signature);
