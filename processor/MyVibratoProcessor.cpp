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

    if (shapeCode == 1)
        processChunks<sineTableCurve> (channel0, channel1, numSamples);
    else if (shapeCode == 2)
        processChunks<parabolicCurve> (channel0, channel1, numSamples);
    else
        processChunks<triangleCurve> (channel0, channel1, numSamples);
}

template <int curve>
void VibratoProcessor::processChunks (float* left, float* right, size_t numSamples) noexcept
{
    const auto* table = lfo.table.getReadPointer (0);
    const int tableSize = lfo.tableSize;
    const PeakDelayFormula peakDelay { depthScale, rateReference, maxDelayMs };

    // Writing a chunk ahead of its reads is safe while no read of the chunk
    // reaches back as far as the frames written ahead of it.
    constexpr int chunkSize = 128;
    const auto safeDelay = static_cast<float> (juce::jmin (delayLeft.bufSize, delayRight.bufSize) - chunkSize - 2);

    alignas (16) float rates[chunkSize];
    alignas (16) float offsets[chunkSize];
    alignas (16) float depths[chunkSize];
    alignas (16) float phases[chunkSize];
    alignas (16) double delaysPerUnit[chunkSize];
    alignas (16) float delaysLeft[chunkSize];
    alignas (16) float delaysRight[chunkSize];

    for (size_t start = 0; start < numSamples; start += chunkSize)
    {
        const int count = static_cast<int> (juce::jmin (static_cast<size_t> (chunkSize), numSamples - start));
        float* chunkLeft = left + start;
        float* chunkRight = right + start;
        const bool steady = ! (rateSmoothed.isSmoothing() || phaseOffsetSmoothed.isSmoothing()
                               || depthSmoothed.isSmoothing());

        // The smoothed values, as processSampleStereo takes them. In a steady
        // chunk every smoother returns its target: arrays of one value.
        const int values = steady ? 1 : count;
        rateSmoothed.nextValues (rates, values);
        phaseOffsetSmoothed.nextValues (offsets, values);
        depthSmoothed.nextValues (depths, values);
        delaysPerUnitOfChunk (peakDelay, rates, depths, sampleRate, delaysPerUnit, values);

        const float firstPhase = lfo.phase;
        lfo.phase = advancePhases (firstPhase, lfo.inverseSampleRate, rates, steady, phases, count);

        // At depth 0 the delay per unit is +0, and the sine table and the
        // triangle give finite values of at least +0 for every phase from 0 up
        // to where the table position stays in range: every delay is then
        // exactly +0. (With such a step and offset the phases stay within
        // [0, 2] and the right channel's within [0, 2 + offset].)
        const float step = lfo.inverseSampleRate * rates[0];
        const bool noDelay = curve != parabolicCurve && steady
                             && delaysPerUnit[0] == 0.0 && ! std::signbit (delaysPerUnit[0])
                             && step >= 0.0f && step <= 1.0f && firstPhase >= 0.0f && firstPhase <= 2.0f
                             && offsets[0] >= 0.0f && offsets[0] <= 1.0e5f;
        bool writeAhead = true;

        if (noDelay)
        {
            std::fill (delaysLeft, delaysLeft + count, 0.0f);
            std::fill (delaysRight, delaysRight + count, 0.0f);
        }
        else
        {
            const auto delaysOf = steady ? delaysOfChunk<curve, true> : delaysOfChunk<curve, false>;
            writeAhead = delaysOf (phases, offsets, delaysPerUnit, table, tableSize, safeDelay,
                                   delaysLeft, delaysRight, count);
        }

        if (! writeAhead)
        {
            // A read may reach the frames written ahead (a NaN delay or one of
            // nearly the whole line): write and read frame by frame.
            for (int j = 0; j < count; ++j)
            {
                write (delayLeft, chunkLeft[j]);
                write (delayRight, chunkRight[j]);
                chunkLeft[j] = read (delayLeft, delaysLeft[j]);
                chunkRight[j] = read (delayRight, delaysRight[j]);
            }

            continue;
        }

        auto* samplesLeft = delayLeft.buffer.getWritePointer (0);
        auto* samplesRight = delayRight.buffer.getWritePointer (0);
        const int writeLeft = delayLeft.writeIndex;
        const int writeRight = delayRight.writeIndex;

        writeChunk (samplesLeft, delayLeft.bufSize, writeLeft, chunkLeft, count);
        writeChunk (samplesRight, delayRight.bufSize, writeRight, chunkRight, count);
        readChunk (samplesLeft, delayLeft.bufSize, writeLeft, delaysLeft, chunkLeft, count);
        readChunk (samplesRight, delayRight.bufSize, writeRight, delaysRight, chunkRight, count);

        delayLeft.writeIndex = (writeLeft + count) % delayLeft.bufSize;
        delayRight.writeIndex = (writeRight + count) % delayRight.bufSize;
    }
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

    const float peak = PeakDelayFormula { depthScale, rateReference, maxDelayMs } (r, d);

    const auto delayOf = [this, peak] (float m)
    {
        return static_cast<float> (static_cast<double> (m) * static_cast<double> (peak)
                                   * static_cast<double> (sampleRate));
    };

    left = read (delayLeft, delayOf (mL));
    right = read (delayRight, delayOf (mR));
}

} // namespace my
