#pragma once

#include "MySliderBase.h"

#include <vector>

namespace my
{

/** A slider whose 0-to-1 value is shared out evenly among a few items, each
    showing a text or a small waveform icon. Item 1 holds the lowest values. */
class MyMultiButtonSlider : public SliderBase
{
public:
    /** Kinds of icon an item can show; 0 shows the item's text. Kinds 6 to 13
        and anything outside 0 to 14 show only the item's background. */
    enum IconKind
    {
        iconText = 0,
        iconSine = 1,
        iconTriangle = 2,
        iconSquare = 3,
        iconRampDown = 4,
        iconRampUp = 5,
        iconRandom = 14
    };

    MyMultiButtonSlider();
    ~MyMultiButtonSlider() override;

    /** Appends an item that shows its text; items go from top to bottom. */
    void addItem (juce::String text);

    int numItems = 0;
    int selectedItem = 1;
    float cornerRadius = 3.0f;
    float textOffsetY = 1.0f;
    float iconLineWidth = 1.0f;
    bool drawOutline = false;
    std::vector<juce::String> itemTexts;
    std::vector<int> itemIcons;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyMultiButtonSlider)
};

/** The items as a vertical column, item 1 on top, painted here in full. */
class MyMultiButtonSliderVertical : public MyMultiButtonSlider
{
public:
    MyMultiButtonSliderVertical();
    ~MyMultiButtonSliderVertical() override;

    void paint (juce::Graphics& g) override;

    /** What paint draws, with the mouse given instead of read from the desktop:
        whether it is over the selector and where, in the selector's pixels. */
    void paintWithMouse (juce::Graphics& g, bool mouseIsOver, juce::Point<int> mousePosition);

    /** Inverted so that the top of the column gives 0 (item 1). These assume
        the range 0 to 1. */
    double proportionOfLengthToValue (double proportion) override;
    double valueToProportionOfLength (double value) override;

    /** The icon of the given kind for an item of height itemHeight whose top is
        at itemTop, in a selector of the given width; empty for kinds that draw
        nothing. */
    static juce::Path makeIcon (int kind, int width, int itemHeight, float itemTop);

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyMultiButtonSliderVertical)
};

} // namespace my
