#pragma once

#include "MyParameters.h"
#include "MyStereoEnhancerProcessor.h"
#include "MyVibratoProcessor.h"

#include <juce_audio_processors/juce_audio_processors.h>

/** The plug-in: a stereo vibrato followed by a width stage, five parameters,
    state save and restore, and the editor on request. */
class ZKUndularAudioProcessor final : public juce::AudioProcessor
{
public:
    ZKUndularAudioProcessor();
    ~ZKUndularAudioProcessor() override;

    const juce::String getName() const override;

    void prepareToPlay (double sampleRate, int samplesPerBlock) override;
    void releaseResources() override;
    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages) override;
    using juce::AudioProcessor::processBlock;

    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool isMidiEffect() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    juce::AudioProcessorValueTreeState parameters;

    /** Zoom of the editor, kept between editor instances; not saved. */
    float editorScale = 1.0f;

    my::VibratoProcessor vibrato;
    my::StereoEnhancerProcessor stereoEnhancer;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZKUndularAudioProcessor)
};
