#include "MyStereoEnhancerProcessor.h"

#include "MySse2.h"

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

    // An empty block only hands over the targets (and has no channel pointers).
    if (block.getNumChannels() < 2 || block.getNumSamples() == 0)
        return;

    auto* channel0 = block.getChannelPointer (0);
    auto* channel1 = block.getChannelPointer (1);
    const auto numSamples = block.getNumSamples();
    size_t i = 0;

    for (; i < numSamples && widthSmoothed.isSmoothing(); ++i)
        applyWidth (channel0[i], channel1[i], widthSmoothed.getNextValue());

    // Not ramping, every further frame gets the target.
    const float g = clampedWidth (widthSmoothed.getTargetValue());

   #if ZK_HAS_SSE2
    // Four frames at a time, the same operations in the same order.
    const auto half = _mm_set1_ps (0.5f);
    const auto width4 = _mm_set1_ps (g);

    for (; i + 4 <= numSamples; i += 4)
    {
        const auto l = _mm_loadu_ps (channel0 + i);
        const auto r = _mm_loadu_ps (channel1 + i);
        const auto mid = _mm_mul_ps (_mm_add_ps (l, r), half);
        const auto side = _mm_mul_ps (_mm_mul_ps (_mm_sub_ps (l, r), half), width4);
        _mm_storeu_ps (channel0 + i, _mm_add_ps (mid, side));
        _mm_storeu_ps (channel1 + i, _mm_sub_ps (mid, side));
    }
   #endif

    for (; i < numSamples; ++i)
        applyWidth (channel0[i], channel1[i], g);
}

} // namespace my
