#pragma once

#include "MyDspProcessorBase.h"

namespace my
{

/** Width stage: scales the side part of a mid/side split by a width in [0, 1],
    from the unchanged image (1) down to mono (0). */
class StereoEnhancerProcessor : public DspProcessorBase
{
public:
    StereoEnhancerProcessor() = default;
    ~StereoEnhancerProcessor() override = default;

    void prepare (juce::dsp::ProcessSpec& spec) override;
    void reset() override {}
    void processAudioBlock (juce::dsp::AudioBlock<float>& block) noexcept override;
    void setSmoothTargetValues() noexcept override;

    float width = 0.0f; // target, 0..1
    float sampleRate = 44100.0f;
    LinearSmoother widthSmoothed;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (StereoEnhancerProcessor)
};

} // namespace my
