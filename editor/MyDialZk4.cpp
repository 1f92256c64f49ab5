#include "MyDialZk4.h"

#include "MyUtility.h"

#include <cmath>

namespace my
{

DialZk4::DialZk4()
{
    skin = skinZk;
    setSliderStyle (juce::Slider::RotaryVerticalDrag);
    setRotaryParameters (startAngle, endAngle, true);

    font = juce::Font ("Arial", 13.0f, juce::Font::plain);
    font.setTypefaceName (juce::Font::getDefaultSansSerifFontName());
}

DialZk4::~DialZk4() = default;

void DialZk4::startedDragging()
{
    showValueBox = true;
}

void DialZk4::stoppedDragging()
{
    showValueBox = false;
}

float DialZk4::displayProportion (float value) const
{
    if (displayPowerLaw)
        return std::pow ((value - displayMin) / (displayMax - displayMin), 1.0f / displaySkew);

    if (displayLog)
        return static_cast<float> (std::log10 (static_cast<double> (value) / static_cast<double> (displayMin))
                                   / std::log10 (static_cast<double> (displayMax) / static_cast<double> (displayMin)));

    return (value - displayMin) / (displayMax - displayMin);
}

void DialZk4::paint (juce::Graphics& g)
{
    const auto& colours = skinZk.colours;
    const auto w = static_cast<float> (getWidth());
    const auto h = static_cast<float> (getHeight());
    const auto v = getValue();
    const auto r = radius;
    const auto rotary = getRotaryParameters();

    auto p = displayProportion (static_cast<float> (v));

    juce::String valueText = displayInteger ? juce::String (static_cast<int> (v))
                                            : digit3 (static_cast<float> (v));
    valueText += valueSuffix;

    if (! valueNames.isEmpty())
    {
        const auto numNames = valueNames.size();

        // Truncation toward zero; out-of-range (and NaN) proportions name nothing.
        valueText = (p > -1.0f && p < static_cast<float> (numNames)) ? valueNames[static_cast<int> (p)]
                                                                      : juce::String();
        p = p / static_cast<float> (numNames - 1);
    }

    const auto cx = w * 0.5f;
    const auto cy = 26.5f + r;

    if (debugBackground)
    {
        g.setColour (juce::Colour (0xff640000));
        g.fillRect (juce::Rectangle<float> (0.0f, 0.0f, w, h));
    }

    font.setHeight (14.0f);
    g.setFont (font);
    g.setColour (colours[activeLook ? 47 : 53]);
    const auto nameTop = static_cast<int> ((r + cy) + 2.5f + 2.0f);
    g.drawText (getName(), juce::Rectangle<float> (0.0f, static_cast<float> (nameTop), w, 12.0f),
                juce::Justification::centred, true);

    font.setHeight (13.0f);
    g.setFont (font);

    if (showValueBox)
    {
        const auto boxWidth = font.getStringWidthFloat (valueText) + 8.0f;
        juce::Path box;
        box.addRoundedRectangle (cx - 0.5f * boxWidth, 0.0f, boxWidth, 19.0f, 3.0f);
        g.setColour (colours[55]);
        g.fillPath (box);

        g.setColour (colours[activeLook ? 48 : 54]);
        g.drawText (valueText, juce::Rectangle<float> (0.0f, 4.0f, w, 12.0f), juce::Justification::centred, true);
    }

    juce::Path ring;
    ring.addCentredArc (cx, cy, r, r, 0.0f, rotary.startAngleRadians, rotary.endAngleRadians, true);
    g.setColour (juce::Colours::white.withAlpha (trackAlpha));
    g.strokePath (ring, juce::PathStrokeType (5.0f, juce::PathStrokeType::curved, juce::PathStrokeType::butt));

    const auto angle = rotary.startAngleRadians + p * (rotary.endAngleRadians - rotary.startAngleRadians);

    if (arcOrigin == 0.5f)
    {
        juce::Path tick;
        tick.startNewSubPath (cx, cy - r - 2.5f);
        tick.lineTo (cx, cy - r + 2.5f);
        g.setColour (colours[activeLook ? 45 : 51]);
        g.strokePath (tick, juce::PathStrokeType (1.5f, juce::PathStrokeType::mitered, juce::PathStrokeType::butt));
    }

    const auto knobRadius = r - 2.5f;
    juce::Path knob;
    knob.addEllipse (cx - knobRadius, cy - knobRadius, 2.0f * knobRadius, 2.0f * knobRadius);
    g.setColour (colours[42]);
    g.fillPath (knob);

    juce::Path pointer;
    pointer.addRectangle (-1.25f, -(r - 4.5f), 2.5f, 0.75f * (r - 2.5f));
    pointer.applyTransform (juce::AffineTransform::rotation (angle).translated (cx, cy));
    g.setColour (colours[activeLook ? 43 : 49]);
    g.fillPath (pointer);
}

} // namespace my
