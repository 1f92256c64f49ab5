#include "MyMultiButtonSlider.h"

#include <cmath>

namespace my
{

MyMultiButtonSlider::MyMultiButtonSlider() = default;
MyMultiButtonSlider::~MyMultiButtonSlider() = default;

void MyMultiButtonSlider::addItem (juce::String text)
{
    itemTexts.push_back (std::move (text));
    itemIcons.push_back (iconText);
    ++numItems;
}

//==============================================================================
MyMultiButtonSliderVertical::MyMultiButtonSliderVertical()
{
    setSliderStyle (juce::Slider::LinearVertical);
}

MyMultiButtonSliderVertical::~MyMultiButtonSliderVertical() = default;

double MyMultiButtonSliderVertical::proportionOfLengthToValue (double proportion)
{
    return 1.0 - proportion;
}

double MyMultiButtonSliderVertical::valueToProportionOfLength (double value)
{
    return 1.0 - value;
}

juce::Path MyMultiButtonSliderVertical::makeIcon (int kind, int width, int itemHeight, float itemTop)
{
    const auto w = static_cast<float> (width);
    const auto h = static_cast<float> (itemHeight);

    const auto left = 0.1f * w + 1.0f;
    const auto right = 0.9f * w - 1.0f;
    const auto span = 0.8f * w - 2.0f;
    const auto centreX = 0.5f * w;
    const auto quarterX = left + 0.25f * span;
    const auto threeQuarterX = left + 0.75f * span;

    const auto height = 0.6f * h - 2.0f;
    const auto top = itemTop + 0.2f * h + 1.0f;
    const auto centreY = itemTop + 0.5f * h;
    const auto bottom = itemTop + 0.8f * h - 1.0f;

    juce::Path icon;

    switch (kind)
    {
        case iconSine:
            icon.startNewSubPath (left, centreY);

            for (int i = 1; i <= 20; ++i)
                icon.lineTo (left + span * static_cast<float> (i) / 20.0f,
                             centreY + std::sin (-0.1f * static_cast<float> (i) * juce::MathConstants<float>::pi) * 0.5f * height);
            break;

        case iconTriangle:
            icon.startNewSubPath (left, centreY);
            icon.lineTo (quarterX, top);
            icon.lineTo (threeQuarterX, bottom);
            icon.lineTo (right, centreY);
            break;

        case iconSquare:
            icon.startNewSubPath (left, bottom);
            icon.lineTo (left, top);
            icon.lineTo (centreX, top);
            icon.lineTo (centreX, bottom);
            icon.lineTo (right, bottom);
            icon.lineTo (right, top);
            break;

        case iconRampDown:
            icon.startNewSubPath (left, bottom);
            icon.lineTo (left, top);
            icon.lineTo (right, bottom);
            icon.lineTo (right, top);
            break;

        case iconRampUp:
            icon.startNewSubPath (left, top);
            icon.lineTo (left, bottom);
            icon.lineTo (right, top);
            icon.lineTo (right, bottom);
            break;

        case iconRandom:
        {
            static constexpr float levels[] = { 0.75f, 0.72f, 0.6f, 0.3f, 0.1f, 0.0f, 0.15f, 0.35f, 0.55f, 0.6f,
                                                0.5f, 0.3f, 0.2f, 0.25f, 0.55f, 0.92f, 1.0f, 0.9f, 0.3f, 0.35f };
            icon.startNewSubPath (left, top + 0.7f * height);

            for (int j = 1; j <= 20; ++j)
                icon.lineTo (left + static_cast<float> (j) * span / 20.0f, top + levels[j - 1] * height);
            break;
        }

        default:
            break;
    }

    return icon;
}

void MyMultiButtonSliderVertical::paint (juce::Graphics& g)
{
    paintWithMouse (g, isMouseOver (false), getMouseXYRelative());
}

void MyMultiButtonSliderVertical::paintWithMouse (juce::Graphics& g, bool mouseIsOver, juce::Point<int> mousePosition)
{
    const auto n = numItems;

    // Nothing to show, and no item height to divide out.
    if (n <= 0)
        return;

    const auto value = static_cast<float> (getValue());
    selectedItem = 1;

    for (int i = 0; i < n; ++i)
        if (value > static_cast<float> (i) / static_cast<float> (n)
            && value <= static_cast<float> (i + 1) / static_cast<float> (n))
            selectedItem = i + 1;

    const auto width = getWidth();
    const auto height = getHeight();
    const auto itemHeight = (height - n + 1) / n;
    const auto w = static_cast<float> (width);
    const auto h = static_cast<float> (itemHeight);

    const auto& colours = skin.colours;
    const auto selectedFill = colours[activeLook ? 14 : 20];
    const auto otherFill = colours[activeLook ? 15 : 21];
    const auto selectedForeground = colours[activeLook ? 18 : 24];
    const auto otherForeground = colours[activeLook ? 19 : 25];
    const juce::Colour hoverColour (0x1affffff);
    const juce::Colour middleSelectedOutline (0xffc80000);

    g.setFont (font);

    const juce::PathStrokeType outlineStroke (1.0f, juce::PathStrokeType::mitered, juce::PathStrokeType::butt);
    const juce::PathStrokeType iconStroke (iconLineWidth, juce::PathStrokeType::mitered, juce::PathStrokeType::butt);

    for (int k = 1; k <= n; ++k)
    {
        const auto selected = k == selectedItem;
        const auto top = static_cast<float> (k - 1) * static_cast<float> (itemHeight + 1);
        const auto mouseY = static_cast<float> (mousePosition.y);
        const auto hovered = mouseIsOver && mousePosition.x >= 0 && mousePosition.x < width && mouseY >= top && mouseY < top + h;

        g.setColour (selected ? selectedFill : otherFill);

        if (k == 1 || k == n)
        {
            // Rounded outer corners only: the half facing the other items is squared off.
            juce::Path background;
            background.addRoundedRectangle (0.0f, top, w, h, cornerRadius);

            if (k == 1)
                background.addRectangle (0.0f, top + h / 2.0f, w, h / 2.0f);
            else
                background.addRectangle (0.0f, top, w, h / 2.0f);

            g.fillPath (background);

            if (hovered)
                g.setColour (hoverColour);

            g.fillPath (background);

            juce::Path outline;
            outline.addRectangle (0.0f, top, w, h);
            g.setColour (colours[selected ? 16 : 17]);
            g.strokePath (outline, outlineStroke);
        }
        else
        {
            juce::Path background;
            background.addRectangle (0.0f, top, w, h);
            g.fillPath (background);

            g.setColour (selected ? middleSelectedOutline : colours[17]);
            g.strokePath (background, outlineStroke);
        }

        auto foreground = selected ? selectedForeground : otherForeground;

        if (mouseIsOver)
            foreground = foreground.withMultipliedAlpha (1.5f);

        g.setColour (foreground);

        const auto kind = itemIcons[static_cast<size_t> (k - 1)];

        if (kind == iconText)
        {
            const auto& text = itemTexts[static_cast<size_t> (k - 1)];
            const auto textTop = static_cast<int> (top + textOffsetY);
            g.drawText (text, 0, textTop, width, itemHeight, juce::Justification::centred, true);

            if (hovered)
                g.setColour (hoverColour);

            g.drawText (text, 0, textTop, width, itemHeight, juce::Justification::centred, true);
        }
        else
        {
            const auto icon = makeIcon (kind, width, itemHeight, top);
            g.strokePath (icon, iconStroke);

            if (hovered)
                g.setColour (hoverColour);

            g.strokePath (icon, iconStroke);
        }
    }

    if (drawOutline)
    {
        juce::Path outline;
        outline.addRoundedRectangle (0.5f, 0.5f, w - 1.0f, static_cast<float> (height) - 1.0f, cornerRadius);
        g.setColour (colours[16]);
        g.strokePath (outline, outlineStroke);

        juce::Path separators;

        for (int i = 0; i < n; ++i)
        {
            const auto y = static_cast<float> (i * itemHeight);
            separators.startNewSubPath (0.0f, y);
            separators.lineTo (w, y);
        }

        g.strokePath (separators, outlineStroke);
    }
}

} // namespace my
