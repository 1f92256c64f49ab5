#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_dsp/juce_dsp.h>

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

    /** Ramp length of every smoother: 0.1 s of samples at the given rate. */
    static int smoothingSteps (float sampleRate) noexcept
    {
        return static_cast<int> (std::floor (static_cast<double> (sampleRate) * 0.1));
    }

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DspProcessorBase)
};

using LinearSmoother = juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear>;

} // namespace my
