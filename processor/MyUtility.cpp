#include "MyUtility.h"

#include <cmath>

namespace my
{

juce::String digit3 (float x)
{
    const float a = std::fabs (x);

    // Every test is strict; NaN fails them all and lands in the last band.
    if (static_cast<double> (a) < 0.005)
        return "0.00";

    if (a < 10.0f)
        return juce::String (x, 2);

    if (a < 100.0f)
        return juce::String (x, 1);

    if (a < 1000.0f)
        return juce::String (std::floor (x), 0);

    if (a < 10000.0f)
        return juce::String (static_cast<double> (x) / 1000.0, 2) + "k";

    return juce::String (static_cast<double> (x) / 1000.0, 1) + "k";
}

} // namespace my
