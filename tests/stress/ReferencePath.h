#pragma once

#include "PluginProcessor.h"

/** The plain per-sample path of the two stages, as the block operations were
    first written: one virtual processSampleStereo call per frame, then the width
    loop with one smoother step per frame. The tests hold the fast block paths to
    it bit for bit, and the benchmarks measure it for comparison. */
namespace reference
{

inline void processVibrato (my::VibratoProcessor& vibrato, float* left, float* right, int numSamples) noexcept
{
    auto& stage = static_cast<my::DspProcessorBase&> (vibrato);
    stage.setSmoothTargetValues();

    for (int i = 0; i < numSamples; ++i)
    {
        float l = left[i];
        float r = right[i];
        stage.processSampleStereo (l, r);
        left[i] = l;
        right[i] = r;
    }
}

inline void processWidth (my::StereoEnhancerProcessor& enhancer, float* left, float* right, int numSamples) noexcept
{
    enhancer.setSmoothTargetValues();

    for (int i = 0; i < numSamples; ++i)
    {
        float g = enhancer.widthSmoothed.getNextValue();

        if (g < 0.0f)
            g = 0.0f;

        if (g > 1.0f)
            g = 1.0f;

        const float l = left[i];
        const float r = right[i];
        const float mid = (l + r) * 0.5f;
        const float side = (l - r) * 0.5f * g;
        left[i] = mid + side;
        right[i] = mid - side;
    }
}

/** What processBlock does, with the two stages run through the paths above. */
inline void processBlock (ZKUndularAudioProcessor& processor, juce::AudioBuffer<float>& buffer) noexcept
{
    const juce::ScopedNoDenormals noDenormals;

    const float shape = processor.parameters.getRawParameterValue ("shape")->load();
    const float rate = processor.parameters.getRawParameterValue ("rate")->load();
    const float depth = processor.parameters.getRawParameterValue ("depth")->load();
    const float phase = processor.parameters.getRawParameterValue ("phase")->load();
    const float width = processor.parameters.getRawParameterValue ("width")->load();

    if (shape <= 0.5f)
        processor.vibrato.shapeCode = 1;
    else if (shape <= 1.0f)
        processor.vibrato.shapeCode = 2;

    processor.vibrato.rate = rate;
    processor.vibrato.depth = depth * 0.01f;
    processor.vibrato.phaseOffset = phase * 0.01f;
    processor.stereoEnhancer.width = width * 0.01f;

    auto* left = buffer.getWritePointer (0);
    auto* right = buffer.getWritePointer (1);
    processVibrato (processor.vibrato, left, right, buffer.getNumSamples());
    processWidth (processor.stereoEnhancer, left, right, buffer.getNumSamples());
}

} // namespace reference
