#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

/** Drives a processor offline the way a plug-in wrapper does: construct, enable
    all buses, two in / two out, prepareToPlay, then processBlock in host-sized
    blocks. Parameters are set through the parameter objects, as a host sets them. */
class OfflineHost final
{
public:
    explicit OfflineHost (std::unique_ptr<juce::AudioProcessor> processorToHost);

    /** Constructs the plug-in through its factory function. */
    OfflineHost();

    juce::AudioProcessor& getProcessor() noexcept { return *processor; }

    void prepare (double sampleRate, int maximumBlockSize);

    /** Sets a parameter by id from a value in its own unit (Hz, %, choice index),
        as a host would: normalised, through setValueNotifyingHost. */
    bool setParameter (const juce::String& id, float realValue);

    juce::RangedAudioParameter* findParameter (const juce::String& id) const;

    /** Processes a whole stereo buffer in place, in blocks of at most blockSize. */
    void process (juce::AudioBuffer<float>& audio, int blockSize);

private:
    std::unique_ptr<juce::AudioProcessor> processor;
    juce::AudioBuffer<float> scratch;
    juce::MidiBuffer midi;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OfflineHost)
};
