#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>

namespace my
{

/** The framework's linear smoother, which can also hand out the values of a
    whole chunk of samples at once. */
class LinearSmoother : public juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear>
{
public:
    using SmoothedValue::SmoothedValue;

    /** Writes the next count values: the same bits, and the same state
        afterwards, as count calls of getNextValue. */
    void nextValues (float* values, int count) noexcept
    {
        if (isSmoothing())
            nextRampValues (values, count);
        else
            std::fill (values, values + count, target);
    }

private:
    void nextRampValues (float* values, int count) noexcept;

    /** The step of the ramp in progress, which the framework keeps private. */
    float rampStep() const noexcept;
};

} // namespace my
