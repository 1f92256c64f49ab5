#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace my
{

/** One circular buffer of samples. */
class DelayLineBase
{
public:
    DelayLineBase();

    /** Replaces the storage by n cleared samples; writeIndex stays, so n must be
        above it. Allocates: never call on the audio thread. */
    void setBufSize (int n);

    juce::AudioBuffer<float> buffer;
    int writeIndex = 0;
    int bufSize = 1323000;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DelayLineBase)
};

} // namespace my
