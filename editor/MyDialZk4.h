#pragma once

#include "MySliderBase.h"

namespace my
{

/** The editor's rotary control in the house style: a fixed ring of 285 degrees
    with its gap at the bottom, a dark knob, a pointer bar that turns with the
    value, the name below the ring and, while dragged, a value pop-up above it.
    Everything is drawn here, nothing through the look-and-feel. */
class DialZk4 : public SliderBase
{
public:
    /** 217.5 and 502.5 degrees clockwise from 12 o'clock. */
    static constexpr float startAngle = 3.7960913f;
    static constexpr float endAngle = 8.7702799f;

    DialZk4();
    ~DialZk4() override;

    void paint (juce::Graphics& g) override;

    /** Shows the value pop-up. Shift does not choose a finer drag here: every
        drag of a dial keeps the distance set at construction. */
    void startedDragging() override;
    void stoppedDragging() override;

    SkinZk skinZk;
    bool showValueBox = false;
    float radius = 16.0f;
    float trackAlpha = 0.1f;

private:
    float displayProportion (float value) const;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DialZk4)
};

} // namespace my
