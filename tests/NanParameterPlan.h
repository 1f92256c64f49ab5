#pragma once

#include <ostream>

/** The playback both NaN tests run, in-process and through the hosted bundles:
    every parameter set away from its default, one of them sent NaN mid-way and
    a valid value later, against the same playback without the NaN. */
namespace nanplan
{
    struct Setting
    {
        const char* id;
        const char* name; // as hosts list it
        float realValue;
        float laterValue;
    };

    inline constexpr Setting settings[] {
        { "shape", "Shape", 1.0f, 0.0f }, { "rate", "Rate", 5.0f, 2.0f }, { "depth", "Depth", 40.0f, 70.0f },
        { "phase", "Phase", 50.0f, 25.0f }, { "width", "Width", 70.0f, 30.0f },
    };

    inline void PrintTo (const Setting& s, std::ostream* os)
    {
        *os << s.id;
    }

    inline constexpr double sampleRate = 48000.0;
    inline constexpr int blockSize = 256;
    inline constexpr int numBlocks = 48;
    inline constexpr int nanBlock = 16;         // the NaN arrives before this block
    inline constexpr int laterChangeBlock = 32; // and a valid value before this one
} // namespace nanplan
