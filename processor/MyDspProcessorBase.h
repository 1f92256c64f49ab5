#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_dsp/juce_dsp.h>

#include "MyLinearSmoother.h"

#include <cmath>
#include <limits>

namespace my
{

/** The calling pattern shared by the signal-processing blocks: the owner writes
    plain target fields, then processAudioBlock hands them to the smoothers
    (setSmoothTargetValues) and works sample by sample. */
class DspProcessorBase
{
public:
    DspProcessorBase() = default;
    virtual ~DspProcessorBase() = default;

    virtual void prepare (juce::dsp::ProcessSpec& spec) = 0;
    virtual void reset() {}
    virtual void processSampleMono (float&) noexcept {}
    virtual void processSampleStereo (float&, float&) noexcept {}
    virtual void processAudioBuffer (juce::AudioBuffer<float>&) noexcept {}
    virtual void processAudioBlock (juce::dsp::AudioBlock<float>& block) noexcept = 0;
    virtual void setSmoothTargetValues() noexcept = 0;

    /** Ramp length of every smoother: 0.1 s of samples at the given rate (kept
        within the int range, whatever the rate). */
    static int smoothingSteps (float sampleRate) noexcept
    {
        const auto steps = std::floor (static_cast<double> (sampleRate) * 0.1);

        if (! (steps >= 0.0))
            return 0;

        return steps < 2147483647.0 ? static_cast<int> (steps) : std::numeric_limits<int>::max();
    }

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DspProcessorBase)
};

} // namespace my
