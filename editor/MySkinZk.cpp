#include "MySkinZk.h"

namespace my
{

MySkin::MySkin()
{
    colours.fill (juce::Colour (unsetColour));
}

SkinZk::SkinZk()
{
    const juce::Colour dark (0xff282828);
    const juce::Colour light (0xffe6e6e6);
    const juce::Colour mid (0xff646464);

    colours[0] = dark;   // content background
    colours[4] = light;  // title text
    colours[5] = light;  // maker text
    colours[14] = dark;  // selector: selected fill
    colours[15] = dark;  // selector: other fill
    colours[16] = dark;  // selector: selected end-item outline, whole outline
    colours[17] = dark;  // selector: other outline
    colours[18] = light; // selector: selected icon or text
    colours[19] = mid;   // selector: other icon or text
    colours[42] = dark;  // dial: knob
    colours[43] = light; // dial: pointer
    colours[47] = light; // dial: name text
    colours[48] = dark;  // dial: pop-up value text
    colours[55] = light; // dial: pop-up box
}

} // namespace my
