#include "EditorTestSupport.h"
#include "MyDialZk4.h"
#include "MyMultiButtonSliderZk.h"
#include "MySkinZk.h"
#include "MySliderBase.h"

#include <gtest/gtest.h>

#include <map>

TEST (ColourTable, EverySlotStartsAsTheRedMarker)
{
    const my::MySkin skin;
    ASSERT_EQ (skin.colours.size(), 61u);

    for (const auto& colour : skin.colours)
        EXPECT_EQ (colour.getARGB(), 0xffc80000u);
}

TEST (ColourTable, HouseSchemeSetsExactlyItsFourteenSlots)
{
    const std::map<int, juce::uint32> scheme {
        { 0, 0xff282828 },  { 4, 0xffe6e6e6 },  { 5, 0xffe6e6e6 },  { 14, 0xff282828 }, { 15, 0xff282828 },
        { 16, 0xff282828 }, { 17, 0xff282828 }, { 18, 0xffe6e6e6 }, { 19, 0xff646464 }, { 42, 0xff282828 },
        { 43, 0xffe6e6e6 }, { 47, 0xffe6e6e6 }, { 48, 0xff282828 }, { 55, 0xffe6e6e6 }
    };

    const my::SkinZk skin;
    ASSERT_EQ (skin.colours.size(), 61u);

    for (int slot = 0; slot < 61; ++slot)
    {
        const auto found = scheme.find (slot);
        const auto expected = found != scheme.end() ? found->second : 0xffc80000u;
        EXPECT_EQ (skin.colours[(size_t) slot].getARGB(), expected) << "slot " << slot;
    }
}

TEST (ColourTable, HouseWidgetsCopyTheSchemeIntoTheirTable)
{
    my::DialZk4 dial;
    my::MultiButtonSliderVerticalZk selector;
    const my::SkinZk scheme;

    EXPECT_EQ (dial.skin.colours, scheme.colours);
    EXPECT_EQ (selector.skin.colours, scheme.colours);
}

TEST (SliderBase, FreshSliderDefaults)
{
    my::SliderBase slider;

    EXPECT_EQ (slider.getMinimum(), 0.0);
    EXPECT_EQ (slider.getMaximum(), 1.0);
    EXPECT_EQ (slider.getInterval(), 0.0);
    EXPECT_EQ (slider.getTextBoxPosition(), juce::Slider::NoTextBox);
    EXPECT_EQ (slider.getMouseDragSensitivity(), 90);

    EXPECT_TRUE (slider.activeLook);
    EXPECT_EQ (slider.skin.colours, my::MySkin().colours);
    EXPECT_EQ (slider.arcOrigin, 0.0f);
    EXPECT_EQ (slider.displayMin, 0.0f);
    EXPECT_EQ (slider.displayMax, 1.0f);
    EXPECT_EQ (slider.displaySkew, 1.0f);
    EXPECT_FALSE (slider.displayPowerLaw);
    EXPECT_FALSE (slider.displayLog);
    EXPECT_FALSE (slider.displayInteger);
    EXPECT_FALSE (slider.debugBackground);
    EXPECT_TRUE (slider.valueNames.isEmpty());
    EXPECT_EQ (slider.font.getTypefaceName(), "Arial");
    EXPECT_EQ (slider.font.getHeight(), 12.0f);
    EXPECT_EQ (slider.font.getStyleFlags(), juce::Font::plain);
    EXPECT_TRUE (slider.valueSuffix.isEmpty());
    EXPECT_EQ (slider.dragPixels, 90);
    EXPECT_EQ (slider.fineDragPixels, 900);
}

namespace
{
    /** A slider base that turns vertical mouse travel into value, so that a
        drag shows the distance it was given: 0 to 1 over that many pixels. */
    struct DraggedSliderBase : public ::testing::Test
    {
        DraggedSliderBase()
        {
            slider.setSliderStyle (juce::Slider::RotaryVerticalDrag);
            slider.setSize (60, 100);
        }

        /** Presses at y 60 with or without Shift, lets go of Shift, drags 45
            pixels up and releases; returns how far the value moved. */
        double dragUpLettingGoOfShift (bool shiftAtPress)
        {
            const juce::ModifierKeys plain (juce::ModifierKeys::leftButtonModifier);
            const auto atPress = shiftAtPress ? plain.withFlags (juce::ModifierKeys::shiftModifier) : plain;
            const auto before = slider.getValue();

            {
                const zktest::ScopedModifiers pressed (atPress);
                slider.mouseDown (zktest::mouseEvent (slider, { 30.0f, 60.0f }, { 30.0f, 60.0f }, atPress));
            }

            const zktest::ScopedModifiers released (plain);
            slider.mouseDrag (zktest::mouseEvent (slider, { 30.0f, 40.0f }, { 30.0f, 60.0f }, plain));
            slider.mouseDrag (zktest::mouseEvent (slider, { 30.0f, 15.0f }, { 30.0f, 60.0f }, plain));
            slider.mouseUp (zktest::mouseEvent (slider, { 30.0f, 15.0f }, { 30.0f, 60.0f }, plain));
            return slider.getValue() - before;
        }

        my::SliderBase slider;
    };
} // namespace

TEST_F (DraggedSliderBase, ShiftAtThePressMakesTheWholeDragFine)
{
    // 45 of 900 pixels, although Shift is let go before the mouse moves.
    EXPECT_NEAR (dragUpLettingGoOfShift (true), 0.05, 1e-9);
    EXPECT_EQ (slider.getMouseDragSensitivity(), 900);

    // The next drag, begun without Shift: 45 of 90 pixels.
    EXPECT_NEAR (dragUpLettingGoOfShift (false), 0.5, 1e-9);
    EXPECT_EQ (slider.getMouseDragSensitivity(), 90);
}

TEST_F (DraggedSliderBase, TheDistancesAreReadAtEachDragStart)
{
    slider.fineDragPixels = 450;
    EXPECT_NEAR (dragUpLettingGoOfShift (true), 0.1, 1e-9);

    slider.dragPixels = 180;
    EXPECT_NEAR (dragUpLettingGoOfShift (false), 0.25, 1e-9);
}

// The selector keeps the base's drag start; the dial replaces it and always
// keeps 90 (its drag is tested with the dial).
TEST (SliderBase, ShiftAtDragStartPicksTheFineDistanceOnTheSelectorOnly)
{
    my::MultiButtonSliderVerticalZk selector;
    my::DialZk4 dial;

    const zktest::ScopedModifiers shift (juce::ModifierKeys (juce::ModifierKeys::shiftModifier));
    const juce::Slider::ScopedDragNotification selectorDrag (selector);
    const juce::Slider::ScopedDragNotification dialDrag (dial);
    EXPECT_EQ (selector.getMouseDragSensitivity(), 900);
    EXPECT_EQ (dial.getMouseDragSensitivity(), 90);
}
