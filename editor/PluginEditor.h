#pragma once

#include "PluginProcessor.h"
#include "ThisComponentWrapper.h"

#include <juce_audio_processors/juce_audio_processors.h>

/** The plug-in's window: the content component drawn at a uniform scale that
    follows the window's width, resizable at the fixed design aspect ratio.
    The processor keeps the scale between editors. */
class ZKUndularAudioProcessorEditor : public juce::AudioProcessorEditor,
                                      public juce::Timer
{
public:
    explicit ZKUndularAudioProcessorEditor (ZKUndularAudioProcessor& p);
    ~ZKUndularAudioProcessorEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    /** Applies the current scale to the content and repaints everything. */
    void timerCallback() override;

    ZKUndularAudioProcessor& audioProcessor;
    my::ComponentWrapper contentComponent;

    // Declared after the content, so they are released before the widgets they bind.
    juce::AudioProcessorValueTreeState::SliderAttachment shapeAttachment;
    juce::AudioProcessorValueTreeState::SliderAttachment rateAttachment;
    juce::AudioProcessorValueTreeState::SliderAttachment depthAttachment;
    juce::AudioProcessorValueTreeState::SliderAttachment phaseAttachment;
    juce::AudioProcessorValueTreeState::SliderAttachment widthAttachment;

    int designWidth = 366;
    int designHeight = 142;

    /** Width over design width; applied to the content at the next timer tick. */
    float scale = 1.0f;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZKUndularAudioProcessorEditor)
};
