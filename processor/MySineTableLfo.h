#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace my
{

/** The vibrato's oscillator state: running phase in cycles and one sine cycle
    in a table that is read with linear interpolation. */
struct SineTableLfo
{
    SineTableLfo();

    float sampleRate = 44100.0f;
    float inverseSampleRate = 1.0f / 44100.0f;
    float phase = 0.0f;
    int tableSize = 4096;
    juce::AudioBuffer<float> table;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SineTableLfo)
};

} // namespace my
