#include "MyStereoEnhancerProcessor.h"

#include "MySse2.h"

#include <algorithm>

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

    constexpr size_t chunkSize = 128;
    alignas (16) float widths[chunkSize];

    for (size_t start = 0; start < numSamples;)
    {
        // Steady, the smoother returns its target for the rest of the block:
        // an array of one value.
        const bool steady = ! widthSmoothed.isSmoothing();
        const auto count = steady ? numSamples - start : juce::jmin (chunkSize, numSamples - start);
        const auto numWidths = steady ? 1 : count;
        widthSmoothed.nextValues (widths, static_cast<int> (numWidths));

        for (size_t j = 0; j < numWidths; ++j)
            widths[j] = clampedWidth (widths[j]);

        if (steady)
            applyWidths<true> (channel0 + start, channel1 + start, widths, count);
        else
            applyWidths<false> (channel0 + start, channel1 + start, widths, count);

        start += count;
    }
}

template <bool oneWidth>
void StereoEnhancerProcessor::applyWidths (float* left, float* right, const float* widths, size_t count) noexcept
{
    size_t j = 0;

   #if ZK_HAS_SSE2
    // Four frames at a time, the same operations in the same order.
    const auto half = _mm_set1_ps (0.5f);

    for (; j + 4 <= count; j += 4)
    {
        const auto g = oneWidth ? _mm_set1_ps (widths[0]) : _mm_loadu_ps (widths + j);
        const auto l = _mm_loadu_ps (left + j);
        const auto r = _mm_loadu_ps (right + j);
        const auto mid = _mm_mul_ps (_mm_add_ps (l, r), half);
        const auto side = _mm_mul_ps (_mm_mul_ps (_mm_sub_ps (l, r), half), g);
        _mm_storeu_ps (left + j, _mm_add_ps (mid, side));
        _mm_storeu_ps (right + j, _mm_sub_ps (mid, side));
    }
   #endif

    for (; j < count; ++j)
        applyWidth (left[j], right[j], widths[oneWidth ? 0 : j]);
}

} // namespace my
