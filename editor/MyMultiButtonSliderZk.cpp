#include "MyMultiButtonSliderZk.h"

namespace my
{

MultiButtonSliderVerticalZk::MultiButtonSliderVerticalZk()
{
    cornerRadius = 0.0f;
    iconLineWidth = 1.5f;
    skin = skinZk;
}

MultiButtonSliderVerticalZk::~MultiButtonSliderVerticalZk() = default;

} // namespace my
