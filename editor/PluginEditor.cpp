#include "PluginEditor.h"

ZKUndularAudioProcessorEditor::ZKUndularAudioProcessorEditor (ZKUndularAudioProcessor& p)
    : juce::AudioProcessorEditor (p),
      audioProcessor (p),
      shapeAttachment (p.parameters, "shape", contentComponent.shapeSelector),
      rateAttachment (p.parameters, "rate", contentComponent.rateDial),
      depthAttachment (p.parameters, "depth", contentComponent.depthDial),
      phaseAttachment (p.parameters, "phase", contentComponent.phaseDial),
      widthAttachment (p.parameters, "width", contentComponent.widthDial),
      scale (p.editorScale)
{
    contentComponent.setTransform (juce::AffineTransform::scale (scale));

    setResizable (true, true);

    auto* limits = getConstrainer();
    limits->setFixedAspectRatio (static_cast<double> (designWidth) / static_cast<double> (designHeight));
    limits->setMinimumWidth (designWidth / 2);
    limits->setMinimumHeight (designHeight / 2);

    setSize (juce::roundToInt (static_cast<float> (designWidth) * scale),
             juce::roundToInt (static_cast<float> (designHeight) * scale));

    addAndMakeVisible (contentComponent);

    startTimer (30);
}

ZKUndularAudioProcessorEditor::~ZKUndularAudioProcessorEditor()
{
    audioProcessor.editorScale = scale;
}

void ZKUndularAudioProcessorEditor::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xff282828));
}

void ZKUndularAudioProcessorEditor::resized()
{
    scale = static_cast<float> (getWidth()) / static_cast<float> (designWidth);
    contentComponent.setBounds (0, 0, designWidth, designHeight);
}

void ZKUndularAudioProcessorEditor::timerCallback()
{
    contentComponent.setTransform (juce::AffineTransform::scale (scale));
    repaint();
}
