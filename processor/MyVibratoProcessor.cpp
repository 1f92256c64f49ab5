#include "MyVibratoProcessor.h"

#include <cmath>

namespace my
{

VibratoProcessor::VibratoProcessor()
{
    delayLeft.setBufSize (delayLineLength);
    delayRight.setBufSize (delayLineLength);
}

VibratoProcessor::~VibratoProcessor() = default;

void VibratoProcessor::prepare (juce::dsp::ProcessSpec& spec)
{
    const auto sr = static_cast<float> (spec.sampleRate);

    // A rate that cannot be a real one would make the LFO step past a whole
    // cycle per sample; keep the last usable rate instead.
    if (! std::isfinite (sr) || sr < 1.0f)
        return;

    const auto numSteps = smoothingSteps (sr);

    sampleRate = sr;
    rateSmoothed.reset (numSteps);
    depthSmoothed.reset (numSteps);
    phaseOffsetSmoothed.reset (numSteps);
    lfo.sampleRate = sr;
    lfo.inverseSampleRate = 1.0f / sr;
}

void VibratoProcessor::setSmoothTargetValues() noexcept
{
    rateSmoothed.setTargetValue (rate);
    depthSmoothed.setTargetValue (depth);
    phaseOffsetSmoothed.setTargetValue (phaseOffset);
}

void VibratoProcessor::processAudioBlock (juce::dsp::AudioBlock<float>& block) noexcept
{
    setSmoothTargetValues();

    if (block.getNumChannels() < 2)
        return;

    auto* channel0 = block.getChannelPointer (0);
    auto* channel1 = block.getChannelPointer (1);
    const auto numSamples = block.getNumSamples();

    for (size_t i = 0; i < numSamples; ++i)
    {
        float left = channel0[i];
        float right = channel1[i];
        processSampleStereo (left, right);
        channel0[i] = left;
        channel1[i] = right;
    }
}

float VibratoProcessor::modulation (float q) const noexcept
{
    if (shapeCode == 1)
    {
        const float pos = q * static_cast<float> (lfo.tableSize);
        const int i = static_cast<int> (pos);
        const float frac = pos - static_cast<float> (i);

        // The mask equals "less tableSize once" for every phase up to two
        // cycles and keeps any larger one inside the table.
        const int mask = lfo.tableSize - 1;
        const int ia = i & mask;
        const int ib = (i + 1) & mask;
        const auto* table = lfo.table.getReadPointer (0);
        const float v = (table[ib] - table[ia]) * frac + table[ia];
        return (v + 1.0f) * 0.5f;
    }

    if (shapeCode == 2)
    {
        float x = q + 0.25f;

        if (x > 1.0f)
            x = x - 1.0f;

        const float y = x < 0.5f ? x * x * 8.0f - 1.0f
                                 : (x - 0.5f) * (x - 0.5f) * -8.0f + 1.0f;
        return (y + 1.0f) * 0.5f;
    }

    float t = q + 0.75f;

    if (t > 1.0f)
        t = t - 1.0f;

    return std::fabs (t + t - 1.0f);
}

void VibratoProcessor::write (DelayLineBase& line, float sample) noexcept
{
    line.buffer.getWritePointer (0)[line.writeIndex] = sample;

    if (++line.writeIndex == line.bufSize)
        line.writeIndex = 0;
}

float VibratoProcessor::read (const DelayLineBase& line, float delayInSamples) noexcept
{
    // Never read outside the line, whatever the sample rate asks for.
    const auto longest = static_cast<float> (line.bufSize - 1);

    if (! (delayInSamples <= longest))
        delayInSamples = longest;

    if (! (delayInSamples >= 0.0f))
        delayInSamples = 0.0f;

    const int n = static_cast<int> (delayInSamples);
    const float f = delayInSamples - static_cast<float> (n);
    const int w = line.writeIndex == 0 ? line.bufSize : line.writeIndex;

    int ia = w - 1 - n;
    int ib = w - 2 - n;

    if (ia < 0)
        ia += line.bufSize;

    if (ib < 0)
        ib += line.bufSize;

    const auto* samples = line.buffer.getReadPointer (0);
    const float a = samples[ia];
    const float b = samples[ib];
    return (b - a) * f + a;
}

void VibratoProcessor::processSampleStereo (float& left, float& right) noexcept
{
    write (delayLeft, left);
    write (delayRight, right);

    const float r = rateSmoothed.getNextValue();

    float p = lfo.inverseSampleRate * r + lfo.phase;

    if (p > 1.0f)
        p = p - 1.0f;

    lfo.phase = p;
    const float qL = p;

    float qR = phaseOffsetSmoothed.getNextValue() + qL;

    if (qR > 1.0f)
        qR = qR - 1.0f;

    const float mL = modulation (qL);
    const float mR = modulation (qR);

    const float d = depthSmoothed.getNextValue();

    // Peak delay in seconds, 0.025 * d / r, with the ratio formed in double.
    const float a = depthScale * d;
    const double b = static_cast<double> (rateReference) / static_cast<double> (r);
    const double c = static_cast<double> (maxDelayMs) * (static_cast<double> (a) * b);
    const float peak = static_cast<float> (c) * 0.001f;

    const auto delayOf = [this, peak] (float m)
    {
        return static_cast<float> (static_cast<double> (m) * static_cast<double> (peak)
                                   * static_cast<double> (sampleRate));
    };

    left = read (delayLeft, delayOf (mL));
    right = read (delayRight, delayOf (mR));
}

} // namespace my
