// The state reader finds names by a keyed hash of their bytes, so that no
// block can choose names that crowd one place of its table. That holds only if
// the hash is SipHash-2-4 as designed: a slip in it would still find every
// name, only no longer resist crafted ones.

#include "MySipHash.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

TEST (NameHash, IsSipHash24OnTheReferenceVectors)
{
    // The reference implementation's vectors: key 00 01 .. 0f, message 00 01 .. of each length.
    std::array<std::uint8_t, 64> message {};

    for (size_t i = 0; i < message.size(); ++i)
        message[i] = static_cast<std::uint8_t> (i);

    const my::SipHashKey key { 0x0706050403020100ull, 0x0f0e0d0c0b0a0908ull };

    struct Vector
    {
        size_t numBytes;
        std::uint64_t hash;
    };

    // Empty, a tail alone, one word, a word and the longest tail, many words.
    for (const auto& v : { Vector { 0, 0x726fdb47dd0e0e31ull }, Vector { 1, 0x74f839c593dc67fdull },
                           Vector { 8, 0x93f5f5799a932462ull }, Vector { 15, 0xa129ca6149be45e5ull },
                           Vector { 63, 0x958a324ceb064572ull } })
        EXPECT_EQ (my::sipHash24 (message.data(), v.numBytes, key), v.hash) << v.numBytes << " bytes";
}
