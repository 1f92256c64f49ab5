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
    /** A smoothed width outside [0, 1] acts as its nearest end. */
    static float clampedWidth (float g) noexcept
    {
        if (g < 0.0f)
            g = 0.0f;

        if (g > 1.0f)
            g = 1.0f;

        return g;
    }

    /** The width stage over count frames, each with its own width, or all
        with the one width widths[0]. */
    template <bool oneWidth>
    static void applyWidths (float* left, float* right, const float* widths, size_t count) noexcept;

    /** One frame of the width stage with the clamped width g. */
    static void applyWidth (float& left, float& right, float g) noexcept
    {
        const float l = left;
        const float r = right;
        const float mid = (l + r) * 0.5f;
        const float side = (l - r) * 0.5f * g;
        left = mid + side;
        right = mid - side;
    }

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (StereoEnhancerProcessor)
};

} // namespace my
