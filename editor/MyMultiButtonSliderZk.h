#pragma once

#include "MyMultiButtonSlider.h"

namespace my
{

/** The vertical item selector in the house colours, with square corners and
    1.5-pixel icon lines. */
class MultiButtonSliderVerticalZk : public MyMultiButtonSliderVertical
{
public:
    MultiButtonSliderVerticalZk();
    ~MultiButtonSliderVerticalZk() override;

    SkinZk skinZk;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MultiButtonSliderVerticalZk)
};

} // namespace my
