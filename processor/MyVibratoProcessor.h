#pragma once

#include "MyDelayLine.h"
#include "MyDspProcessorBase.h"
#include "MySineTableLfo.h"

namespace my
{

/** Stereo vibrato: each channel runs through its own delay line, whose delay one
    LFO sweeps between 0 and 0.025 * depth / rate seconds; the right channel runs
    at a phase offset from the left. Fully wet, no base delay. */
class VibratoProcessor : public DspProcessorBase
{
public:
    VibratoProcessor();
    ~VibratoProcessor() override;

    void prepare (juce::dsp::ProcessSpec& spec) override;
    void processSampleStereo (float& left, float& right) noexcept override;
    void processAudioBlock (juce::dsp::AudioBlock<float>& block) noexcept override;
    void setSmoothTargetValues() noexcept override;

    /** LFO curve of one phase (cycles): 1 sine table, 2 parabolic, else triangle. */
    float modulation (float q) const noexcept;

    // Targets, written by the owner before every block.
    int shapeCode = 1;
    float rate = 1.0f;        // Hz
    float depth = 0.1f;       // 0..1
    float phaseOffset = 0.0f; // cycles, 0..1

    float sampleRate = 44100.0f;
    DelayLineBase delayLeft;
    DelayLineBase delayRight;
    SineTableLfo lfo;

    const float rateReference = 0.01f;
    const float depthScale = 0.5f;
    const float maxDelayMs = 5000.0f;

    LinearSmoother rateSmoothed;
    LinearSmoother depthSmoothed;
    LinearSmoother phaseOffsetSmoothed;

    static constexpr int delayLineLength = 16000000;

private:
    static void write (DelayLineBase& line, float sample) noexcept;
    static float read (const DelayLineBase& line, float delayInSamples) noexcept;

    /** The block path, in chunks of frames: first the smoothed values and the
        LFO phases of the whole chunk, then its delays, its writes and its
        reads. Steady or ramping, the output has the same bits as
        processSampleStereo called once per frame. */
    template <int curve>
    void processChunks (float* left, float* right, size_t numSamples) noexcept;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VibratoProcessor)
};

} // namespace my
