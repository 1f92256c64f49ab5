#include "MyStereoEnhancerProcessor.h"

namespace my
{

void StereoEnhancerProcessor::prepare (juce::dsp::ProcessSpec& spec)
{
    const auto sr = static_cast<float> (spec.sampleRate);

    // Same refusal of unusable rates as the vibrato, so both ramps agree.
    if (! std::isfinite (sr) || sr < 1.0f)
        return;

    sampleRate = sr;
    widthSmoothed.reset (smoothingSteps (sr));
}

void StereoEnhancerProcessor::setSmoothTargetValues() noexcept
{
    widthSmoothed.setTargetValue (width);
}

void StereoEnhancerProcessor::processAudioBlock (juce::dsp::AudioBlock<float>& block) noexcept
{
    setSmoothTargetValues();

    if (block.getNumChannels() < 2)
        return;

    auto* channel0 = block.getChannelPointer (0);
    auto* channel1 = block.getChannelPointer (1);
    const auto numSamples = block.getNumSamples();
    size_t i = 0;

    for (; i < numSamples && widthSmoothed.isSmoothing(); ++i)
        applyWidth (channel0[i], channel1[i], widthSmoothed.getNextValue());

    // Not ramping, every further frame gets the target: the same bits, in a
    // loop the compiler can vectorise.
    const float g = widthSmoothed.getTargetValue();

    for (; i < numSamples; ++i)
        applyWidth (channel0[i], channel1[i], g);
}

} // namespace my
