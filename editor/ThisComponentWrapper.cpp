#include "ThisComponentWrapper.h"

#include "BinaryData.h"

namespace my
{

namespace
{
    juce::Font makeEmbeddedFont (const char* data, int size)
    {
        return juce::Font (juce::Typeface::createSystemTypefaceFor (data, static_cast<size_t> (size)));
    }
} // namespace

ComponentWrapper::ComponentWrapper()
    : bodyFont (makeEmbeddedFont (BinaryData::temp_binary_data_1, BinaryData::temp_binary_data_1Size)),
      titleFont (makeEmbeddedFont (BinaryData::temp_binary_data_2, BinaryData::temp_binary_data_2Size))
{
    addAndMakeVisible (mainPanel);
    addAndMakeVisible (selectorPanel);
    addAndMakeVisible (shapeSelector);
    addAndMakeVisible (titleLabel);
    addAndMakeVisible (makerLabel);
    addAndMakeVisible (rateDial);
    addAndMakeVisible (depthDial);
    addAndMakeVisible (phaseDial);
    addAndMakeVisible (widthDial);

    shapeSelector.addItem ("Sine");
    shapeSelector.addItem ("Triangle");
    shapeSelector.cornerRadius = 0.0f;
    shapeSelector.itemIcons = { MyMultiButtonSlider::iconSine, MyMultiButtonSlider::iconTriangle };

    rateDial.setName ("RATE");
    depthDial.setName ("DEPTH");
    phaseDial.setName ("PHASE");
    widthDial.setName ("WIDTH");

    // The rate dial's pointer follows its own power law, not the parameter's curve.
    rateDial.displayMin = 0.01f;
    rateDial.displayMax = 30.0f;
    rateDial.displaySkew = 4.0f;
    rateDial.displayPowerLaw = true;

    for (auto* dial : { &depthDial, &phaseDial, &widthDial })
    {
        dial->displayMin = 0.0f;
        dial->displayMax = 100.0f;
    }

    rateDial.valueSuffix = " Hz";
    depthDial.valueSuffix = " %";
    phaseDial.valueSuffix = " %";
    widthDial.valueSuffix = " %";

    rateDial.radius = 25.0f;
    depthDial.radius = 25.0f;
    phaseDial.radius = 20.0f;
    widthDial.radius = 20.0f;

    const auto dials = { &rateDial, &depthDial, &phaseDial, &widthDial };

    for (auto* dial : dials)
    {
        dial->font = bodyFont;
        dial->font.setHeight (14.0f);
    }

    for (auto* dial : dials)
        dial->trackAlpha = 0.25f;

    // Dark name text on the gold panel.
    for (auto* dial : dials)
        dial->skinZk.colours[47] = juce::Colour (0xff282828);

    mainPanel.faceColour = juce::Colour (0xffe0c516);
    selectorPanel.faceColour = juce::Colour (0xff282828);
    mainPanel.cornerRadius = 8.0f;
    selectorPanel.cornerRadius = 5.0f;

    titleLabel.setText ("ZK-UNDulAR", juce::dontSendNotification);
    makerLabel.setText ("ZVX KoRMIN", juce::dontSendNotification);
    titleLabel.setColour (juce::Label::textColourId, skin.colours[4]);
    makerLabel.setColour (juce::Label::textColourId, skin.colours[5]);

    auto titleLabelFont = titleFont;
    titleLabelFont.setHeight (20.0f);
    titleLabel.setFont (titleLabelFont);

    auto makerLabelFont = titleFont;
    makerLabelFont.setHeight (14.0f);
    makerLabel.setFont (makerLabelFont);
}

ComponentWrapper::~ComponentWrapper() = default;

void ComponentWrapper::paint (juce::Graphics& g)
{
    g.setColour (skin.colours[0]);
    g.fillAll();
}

void ComponentWrapper::resized()
{
    const auto w = getWidth();
    const auto h = getHeight();

    mainPanel.setBounds (5, 34, w - 10, h - 39);
    selectorPanel.setBounds (mainPanel.getX() + 24, mainPanel.getY() + 21, 40, 53);
    titleLabel.setBounds (4, 2, 150, 34);
    makerLabel.setBounds (w - 106, 3, 102, 34);
    shapeSelector.setBounds (selectorPanel.getX() + 4, selectorPanel.getY() + 4,
                             selectorPanel.getWidth() - 8, selectorPanel.getHeight() - 8);
    rateDial.setBounds (84, 30, 60, 100);
    depthDial.setBounds (152, 30, 60, 100);
    phaseDial.setBounds (228, 40, 60, 100);
    widthDial.setBounds (288, 40, 60, 100);
}

} // namespace my
