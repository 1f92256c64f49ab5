#include "MySliderBase.h"

namespace my
{

SliderBase::SliderBase()
{
    setRange (0.0, 1.0, 0.0);
    setTextBoxStyle (juce::Slider::NoTextBox, false, 80, 20);
    setMouseDragSensitivity (dragPixels);
}

SliderBase::~SliderBase() = default;

void SliderBase::startedDragging()
{
    // The modifiers of the latest input event: the press that starts this drag.
    const auto fine = juce::ModifierKeys::currentModifiers.isShiftDown();
    setMouseDragSensitivity (fine ? fineDragPixels : dragPixels);
}

} // namespace my
