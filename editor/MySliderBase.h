#pragma once

#include "MySkinZk.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace my
{

/** The slider under the dial and the item selector. Owners configure it by
    writing the public fields after construction; the widgets read them when
    they paint, so a change shows at the next repaint. */
class SliderBase : public juce::Slider
{
public:
    SliderBase();
    ~SliderBase() override;

    /** Picks the drag distance for the drag that starts now: the fine one
        while Shift is held, else the normal one. */
    void startedDragging() override;

    bool activeLook = true;
    MySkin skin;
    float arcOrigin = 0.0f;
    float displayMin = 0.0f;
    float displayMax = 1.0f;
    float displaySkew = 1.0f;
    bool displayPowerLaw = false;
    bool displayLog = false;
    bool displayInteger = false;
    bool debugBackground = false;
    juce::StringArray valueNames;
    juce::Font font { "Arial", 12.0f, juce::Font::plain };
    juce::String valueSuffix;
    int dragPixels = 90;
    int fineDragPixels = 900;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SliderBase)
};

} // namespace my
