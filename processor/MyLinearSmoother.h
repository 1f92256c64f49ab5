#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace my
{

/** The framework's linear smoother, which can also hand out the values of a
    whole chunk of samples at once. */
class LinearSmoother : public juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear>
{
public:
    using SmoothedValue::SmoothedValue;

    /** Writes the next count values: the same bits, and the same state
        afterwards, as count calls of getNextValue. Returns true if no ramp ran
        during them, so that every value is the target. */
    bool nextValues (float* values, int count) noexcept;

private:
    /** The step of the ramp in progress, which the framework keeps private. */
    float rampStep() const noexcept;
};

} // namespace my
