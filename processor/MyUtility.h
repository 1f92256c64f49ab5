#pragma once

#include <juce_core/juce_core.h>

namespace my
{

/** Short text of a value with about three significant digits, as the host
    and the dials show it: "0.00" near zero, then 2, 1 or 0 decimals by
    magnitude, and thousands as "1.50k". */
juce::String digit3 (float x);

} // namespace my
