#pragma once

#include "MyDialZk4.h"
#include "MyMultiButtonSliderZk.h"
#include "MyPanel.h"
#include "MySkinZk.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace my
{

/** The editor's content: laid out once at the design size 366 x 142 and
    scaled as a whole by the editor. The widgets are public so that the editor
    can bind them to the parameters. */
class ComponentWrapper : public juce::Component
{
public:
    ComponentWrapper();
    ~ComponentWrapper() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    MultiButtonSliderVerticalZk shapeSelector;
    DialZk4 rateDial;
    DialZk4 depthDial;
    DialZk4 phaseDial;
    DialZk4 widthDial;
    Panel mainPanel;
    Panel selectorPanel;
    juce::Label titleLabel;
    juce::Label makerLabel;
    juce::Font bodyFont;
    juce::Font titleFont;
    SkinZk skin;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ComponentWrapper)
};

} // namespace my
