#pragma once

#include <juce_graphics/juce_graphics.h>

#include <array>

namespace my
{

/** The editor's colour table: 61 colour slots that the widgets read by fixed
    index. Every slot starts as the opaque red marker, so a slot that no
    scheme sets shows up when drawn. */
class MySkin
{
public:
    static constexpr int numSlots = 61;
    static constexpr juce::uint32 unsetColour = 0xffc80000;

    MySkin();

    std::array<juce::Colour, numSlots> colours;
};

/** The house colour scheme: dark grey, light grey and mid grey in the slots
    that the dial, the item selector and the content component read. */
class SkinZk : public MySkin
{
public:
    SkinZk();
};

} // namespace my
