#include "MyLinearSmoother.h"

#include "MyFloatGrid.h"

#include <algorithm>

namespace my
{

void LinearSmoother::nextRampValues (float* values, int count) noexcept
{
    // Every frame of the ramp but its last adds the step; the last lands on the
    // target, and the frames after it return the target.
    const int adding = juce::jmin (count, countdown - 1);
    int j = 0;

    if (adding > 0)
    {
        const float increment = rampStep();

        if (std::isnormal (increment) && float_grid::constantStepSums (currentValue, increment, values, adding))
        {
            currentValue = values[adding - 1];
            countdown -= adding;
            j = adding;
        }
    }

    // The rest one by one, on a local copy that the output cannot alias.
    auto ramp = *this;

    for (; j < count && ramp.isSmoothing(); ++j)
        values[j] = ramp.getNextValue();

    *this = ramp;
    std::fill (values + j, values + count, target);
}

float LinearSmoother::rampStep() const noexcept
{
    // One step of a copy that stands at 0 is the step itself (exact for any
    // normal step, which is all the caller uses).
    auto probe = *this;
    probe.currentValue = 0.0f;
    probe.countdown = 2;
    return probe.getNextValue();
}

} // namespace my
