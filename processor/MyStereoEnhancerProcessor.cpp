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

    for (size_t i = 0; i < numSamples; ++i)
    {
        float g = widthSmoothed.getNextValue();

        if (g < 0.0f)
            g = 0.0f;

        if (g > 1.0f)
            g = 1.0f;

        const float l = channel0[i];
        const float r = channel1[i];
        const float mid = (l + r) * 0.5f;
        const float side = (l - r) * 0.5f * g;
        channel0[i] = mid + side;
        channel1[i] = mid - side;
    }
}

} // namespace my
