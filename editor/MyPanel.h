#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace my
{

/** A background of a face inside an edge band, both rounded, with any set of
    its four corners squared off (see cornerMode). */
class Panel : public juce::Component
{
public:
    Panel();
    ~Panel() override;

    void paint (juce::Graphics& g) override;

    juce::Colour faceColour { 0xff000000 };
    juce::Colour edgeColour { 0xff505050 };

    /** 1: all corners square; 2: bottom; 3: left; 4: top; 5: right;
        7: all but top right; 8: all but bottom right; 9: all but bottom left;
        10: all but top left; 6 and anything else: all corners rounded. */
    int cornerMode = 6;
    float cornerRadius = 0.0f;
    float edgeThickness = 0.0f;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Panel)
};

/** A plain rectangle of one colour. */
class PanelRect : public juce::Component
{
public:
    PanelRect();
    ~PanelRect() override;

    void paint (juce::Graphics& g) override;

    juce::Colour colour { 0xff000000 };

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PanelRect)
};

} // namespace my
