#pragma once

#include <cstddef>
#include <cstdint>

namespace my
{

/** SipHash-2-4 (Aumasson and Bernstein): a keyed hash of bytes. With a key
    nobody else knows, no one can choose bytes that share a hash, or a bucket of
    a hash table, more often than chance would have them do. */
struct SipHashKey
{
    std::uint64_t k0 = 0, k1 = 0;
};

inline std::uint64_t sipHash24 (const void* data, std::size_t numBytes, const SipHashKey& key) noexcept
{
    std::uint64_t v0 = 0x736f6d6570736575ull ^ key.k0;
    std::uint64_t v1 = 0x646f72616e646f6dull ^ key.k1;
    std::uint64_t v2 = 0x6c7967656e657261ull ^ key.k0;
    std::uint64_t v3 = 0x7465646279746573ull ^ key.k1;

    const auto rotate = [] (std::uint64_t x, int bits) noexcept { return (x << bits) | (x >> (64 - bits)); };

    const auto round = [&]() noexcept
    {
        v0 += v1; v1 = rotate (v1, 13); v1 ^= v0; v0 = rotate (v0, 32);
        v2 += v3; v3 = rotate (v3, 16); v3 ^= v2;
        v0 += v3; v3 = rotate (v3, 21); v3 ^= v0;
        v2 += v1; v1 = rotate (v1, 17); v1 ^= v2; v2 = rotate (v2, 32);
    };

    const auto* bytes = static_cast<const std::uint8_t*> (data);
    const auto* const endOfWords = bytes + (numBytes & ~static_cast<std::size_t> (7));

    // Little-endian words, whatever the machine's order.
    const auto word = [] (const std::uint8_t* b, std::size_t count) noexcept
    {
        std::uint64_t w = 0;

        for (auto i = count; i > 0; --i)
            w = (w << 8) | b[i - 1];

        return w;
    };

    for (; bytes != endOfWords; bytes += 8)
    {
        const auto m = word (bytes, 8);
        v3 ^= m;
        round();
        round();
        v0 ^= m;
    }

    const auto last = (static_cast<std::uint64_t> (numBytes) << 56) | word (bytes, numBytes & 7);
    v3 ^= last;
    round();
    round();
    v0 ^= last;

    v2 ^= 0xff;
    round();
    round();
    round();
    round();

    return v0 ^ v1 ^ v2 ^ v3;
}

} // namespace my
