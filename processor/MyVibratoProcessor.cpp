#include "MyVibratoProcessor.h"

#include "MyVibratoKernels.h"

namespace my
{

using namespace vibrato_kernels;

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

    // An empty block only hands over the targets (and has no channel pointers).
    if (block.getNumChannels() < 2 || block.getNumSamples() == 0)
        return;

    auto* channel0 = block.getChannelPointer (0);
    auto* channel1 = block.getChannelPointer (1);
    const auto numSamples = block.getNumSamples();
    size_t i = 0;

    // While a smoother ramps, every frame goes through processSampleStereo.
    for (; i < numSamples && isRamping(); ++i)
    {
        float left = channel0[i];
        float right = channel1[i];
        processSampleStereo (left, right);
        channel0[i] = left;
        channel1[i] = right;
    }

    if (i == numSamples)
        return;

    if (shapeCode == 1)
        processSteady<sineTableCurve> (channel0 + i, channel1 + i, numSamples - i);
    else if (shapeCode == 2)
        processSteady<parabolicCurve> (channel0 + i, channel1 + i, numSamples - i);
    else
        processSteady<triangleCurve> (channel0 + i, channel1 + i, numSamples - i);
}

bool VibratoProcessor::isRamping() const noexcept
{
    return rateSmoothed.isSmoothing() || depthSmoothed.isSmoothing() || phaseOffsetSmoothed.isSmoothing();
}

template <int curve>
void VibratoProcessor::processSteady (float* left, float* right, size_t numSamples) noexcept
{
    // Not ramping, getNextValue returns the target and changes nothing.
    const float r = rateSmoothed.getTargetValue();
    const float offset = phaseOffsetSmoothed.getTargetValue();
    const float d = depthSmoothed.getTargetValue();

    const float step = lfo.inverseSampleRate * r;

    // m * P * sampleRate in double: both products of two floats are exact in
    // double, so (m * P) * sampleRate and m * (P * sampleRate) round alike.
    const double delayPerUnit = static_cast<double> (peakDelaySeconds (r, d)) * static_cast<double> (sampleRate);

    const auto* table = lfo.table.getReadPointer (0);
    const int tableSize = lfo.tableSize;

    auto* samplesLeft = delayLeft.buffer.getWritePointer (0);
    auto* samplesRight = delayRight.buffer.getWritePointer (0);
    const int sizeLeft = delayLeft.bufSize;
    const int sizeRight = delayRight.bufSize;
    float phase = lfo.phase;

    // Chunks of frames: first the LFO and the delays of the whole chunk, then
    // all its writes, then all its reads. Writing ahead is safe while no read of
    // the chunk reaches back as far as the frames written ahead of it.
    constexpr int chunkSize = 64;
    const auto safeDelay = static_cast<float> (juce::jmin (sizeLeft, sizeRight) - chunkSize - 2);

    // At depth 0 the delay per unit of the curve is +0, and the sine table and
    // the triangle give finite values of at least +0 for every phase from 0 up
    // to where the table position stays in range: every delay is then exactly
    // +0, without evaluating the curve. (With such a step and offset the phases
    // stay within [0, 2] and the right channel's within [0, 2 + offset].)
    const bool noDelay = curve != parabolicCurve && delayPerUnit == 0.0 && ! std::signbit (delayPerUnit)
                         && step >= 0.0f && step <= 1.0f && phase >= 0.0f && phase <= 2.0f
                         && offset >= 0.0f && offset <= 1.0e5f && safeDelay > 0.0f;

    alignas (16) float phases[chunkSize];
    alignas (16) float delaysLeft[chunkSize];
    alignas (16) float delaysRight[chunkSize];

    for (size_t start = 0; start < numSamples; start += chunkSize)
    {
        const int count = static_cast<int> (juce::jmin (static_cast<size_t> (chunkSize), numSamples - start));
        float* chunkLeft = left + start;
        float* chunkRight = right + start;

        phase = advancePhases (phase, step, phases, count);

        bool writeAhead = true;

        if (noDelay)
        {
            std::fill (delaysLeft, delaysLeft + count, 0.0f);
            std::fill (delaysRight, delaysRight + count, 0.0f);
        }
        else
        {
            writeAhead = delaysOfChunk<curve> (phases, offset, table, tableSize, delayPerUnit, safeDelay,
                                               delaysLeft, delaysRight, count);
        }

        int writeLeft = delayLeft.writeIndex;
        int writeRight = delayRight.writeIndex;

        if (! writeAhead)
        {
            // A read may reach the frames written ahead (a NaN delay or one of
            // nearly the whole line): write and read frame by frame.
            for (int j = 0; j < count; ++j)
            {
                samplesLeft[writeLeft] = chunkLeft[j];

                if (++writeLeft == sizeLeft)
                    writeLeft = 0;

                samplesRight[writeRight] = chunkRight[j];

                if (++writeRight == sizeRight)
                    writeRight = 0;

                chunkLeft[j] = readLine (samplesLeft, writeLeft == 0 ? sizeLeft : writeLeft, sizeLeft, delaysLeft[j]);
                chunkRight[j] = readLine (samplesRight, writeRight == 0 ? sizeRight : writeRight, sizeRight, delaysRight[j]);
            }

            delayLeft.writeIndex = writeLeft;
            delayRight.writeIndex = writeRight;
            continue;
        }

        writeChunk (samplesLeft, sizeLeft, writeLeft, chunkLeft, count);
        writeChunk (samplesRight, sizeRight, writeRight, chunkRight, count);
        readChunk (samplesLeft, sizeLeft, writeLeft, delaysLeft, chunkLeft, count);
        readChunk (samplesRight, sizeRight, writeRight, delaysRight, chunkRight, count);

        delayLeft.writeIndex = (writeLeft + count) % sizeLeft;
        delayRight.writeIndex = (writeRight + count) % sizeRight;
    }

    lfo.phase = phase;
}

float VibratoProcessor::modulation (float q) const noexcept
{
    const auto* table = lfo.table.getReadPointer (0);

    if (shapeCode == 1)
        return curveValue<sineTableCurve> (q, table, lfo.tableSize);

    if (shapeCode == 2)
        return curveValue<parabolicCurve> (q, table, lfo.tableSize);

    return curveValue<triangleCurve> (q, table, lfo.tableSize);
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
    const int w = line.writeIndex == 0 ? line.bufSize : line.writeIndex;
    return readLine (line.buffer.getReadPointer (0), w, line.bufSize, delayInSamples);
}

float VibratoProcessor::peakDelaySeconds (float r, float d) const noexcept
{
    // 0.025 * d / r, with the ratio formed in double.
    const float a = depthScale * d;
    const double b = static_cast<double> (rateReference) / static_cast<double> (r);
    const double c = static_cast<double> (maxDelayMs) * (static_cast<double> (a) * b);
    return static_cast<float> (c) * 0.001f;
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

    const float peak = peakDelaySeconds (r, d);

    const auto delayOf = [this, peak] (float m)
    {
        return static_cast<float> (static_cast<double> (m) * static_cast<double> (peak)
                                   * static_cast<double> (sampleRate));
    };

    left = read (delayLeft, delayOf (mL));
    right = read (delayRight, delayOf (mR));
}

} // namespace my
