#include "EditorTestSupport.h"
#include "MyDialZk4.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
    constexpr float zoom = 8.0f;

    using zktest::angleDifference;
    using zktest::pointerAngleDegrees;

    /** Left and right edge of the value pop-up's box on row 9 (empty if none). */
    juce::Range<int> popupBoxColumns (my::DialZk4& dial)
    {
        const auto image = zktest::renderComponent (dial);
        int left = -1, right = -1;

        for (int x = 0; x < image.getWidth(); ++x)
        {
            if (image.getPixelAt (x, 9).getAlpha() > 127)
            {
                if (left < 0)
                    left = x;

                right = x + 1;
            }
        }

        return left < 0 ? juce::Range<int>() : juce::Range<int> (left, right);
    }

    /** A dial as the editor sets up DEPTH: 60 x 100, radius 25, 0 to 100. */
    struct LinearDial : public ::testing::Test
    {
        LinearDial()
        {
            dial.setSize (60, 100);
            dial.setRange (0.0, 100.0, 0.0);
            dial.displayMin = 0.0f;
            dial.displayMax = 100.0f;
            dial.radius = 25.0f;
            dial.valueSuffix = " %";
        }

        my::DialZk4 dial;
    };

    /** The value pop-up alone, as a dial of this width draws it for this text
        in this font: the box, the text's width plus 8, and the text centred. */
    juce::Image expectedPopUp (const my::DialZk4& dial, const juce::String& text)
    {
        const auto w = (float) dial.getWidth();
        juce::Image image (juce::Image::ARGB, dial.getWidth(), dial.getHeight(), true, juce::SoftwareImageType());
        juce::Graphics g (image);
        auto font = dial.font;
        font.setHeight (13.0f);
        g.setFont (font);

        const auto boxWidth = font.getStringWidthFloat (text) + 8.0f;
        juce::Path box;
        box.addRoundedRectangle (w * 0.5f - boxWidth * 0.5f, 0.0f, boxWidth, 19.0f, 3.0f);
        g.setColour (dial.skinZk.colours[55]);
        g.fillPath (box);
        g.setColour (dial.skinZk.colours[48]);
        g.drawText (text, juce::Rectangle<float> (0.0f, 4.0f, w, 12.0f), juce::Justification::centred, true);
        return image;
    }

    // Above the ring, whose stroke starts at y 24 whatever the radius.
    const juce::Rectangle<int> popUpRows (0, 0, 60, 21);

    /** The dial's name alone, in its 12-pixel row at the given top. */
    juce::Image expectedName (const my::DialZk4& dial, int top)
    {
        juce::Image image (juce::Image::ARGB, dial.getWidth(), dial.getHeight(), true, juce::SoftwareImageType());
        juce::Graphics g (image);
        auto font = dial.font;
        font.setHeight (14.0f);
        g.setFont (font);
        g.setColour (dial.skinZk.colours[47]);
        g.drawText (dial.getName(), juce::Rectangle<float> (0.0f, (float) top, (float) dial.getWidth(), 12.0f),
                    juce::Justification::centred, true);
        return image;
    }

    juce::uint32 floatBits (float f)
    {
        juce::uint32 bits;
        std::memcpy (&bits, &f, sizeof (bits));
        return bits;
    }
} // namespace

TEST (Dial, ConstructionDefaults)
{
    my::DialZk4 dial;
    const auto rotary = dial.getRotaryParameters();

    EXPECT_EQ (floatBits (rotary.startAngleRadians), 0x4072F329u);
    EXPECT_EQ (floatBits (rotary.endAngleRadians), 0x410C5311u);
    EXPECT_TRUE (rotary.stopAtEnd);
    EXPECT_EQ (dial.getSliderStyle(), juce::Slider::RotaryVerticalDrag);
    EXPECT_EQ (dial.getMouseDragSensitivity(), 90);
    EXPECT_FALSE (dial.showValueBox);
    EXPECT_EQ (dial.radius, 16.0f);
    EXPECT_EQ (dial.trackAlpha, 0.1f);
    EXPECT_EQ (dial.font.getTypefaceName(), juce::Font::getDefaultSansSerifFontName());
    EXPECT_EQ (dial.font.getHeight(), 13.0f);
}

struct PointerCase
{
    double value;
    double degrees;
};

class LinearDialPointer : public LinearDial, public ::testing::WithParamInterface<PointerCase> {};

TEST_P (LinearDialPointer, PointsAtTheValuesAngle)
{
    dial.setValue (GetParam().value, juce::dontSendNotification);
    EXPECT_NEAR (angleDifference (pointerAngleDegrees (dial), GetParam().degrees), 0.0, 0.3);
}

INSTANTIATE_TEST_SUITE_P (WorkedValues, LinearDialPointer,
                          ::testing::Values (PointerCase { 0.0, 217.5 },     // lower left
                                             PointerCase { 100.0, 142.5 },   // lower right
                                             PointerCase { 50.0, 0.0 },      // straight up
                                             PointerCase { 25.0, 288.75 }));

TEST_F (LinearDial, RingKnobAndPointerGeometry)
{
    dial.trackAlpha = 1.0f;
    dial.setValue (50.0, juce::dontSendNotification);
    const auto image = zktest::renderComponent (dial, zoom);
    const auto column = (int) (30.0f * zoom) - 1;

    // Ring from y 24 to 29 at the top, white.
    EXPECT_EQ (image.getPixelAt (column, (int) (23.7f * zoom)).getAlpha(), 0);
    EXPECT_EQ (zktest::argbAt (image, column, (int) (24.5f * zoom)), 0xffffffffu);
    EXPECT_EQ (zktest::argbAt (image, column, (int) (28.5f * zoom)), 0xffffffffu);

    // Knob (radius 22.5 around y 51.5) from y 29 down; pointer from 20.5 to 3.625 above the centre.
    EXPECT_EQ (zktest::argbAt (image, column, (int) (30.5f * zoom)), 0xff282828u);
    EXPECT_EQ (zktest::argbAt (image, column, (int) (31.5f * zoom)), 0xffe6e6e6u);
    EXPECT_EQ (zktest::argbAt (image, column, (int) (47.5f * zoom)), 0xffe6e6e6u);
    EXPECT_EQ (zktest::argbAt (image, column, (int) (48.2f * zoom)), 0xff282828u);
    EXPECT_EQ (zktest::argbAt (image, column, (int) (73.5f * zoom)), 0xff282828u);
    EXPECT_EQ (image.getPixelAt (column, (int) (74.5f * zoom)).getAlpha(), 0); // the gap at 6 o'clock

    // The pointer is 2.5 pixels wide, centred on x 30: 28.75 to 31.25, 230 to 250 at 8x.
    const auto row = (int) (40.0f * zoom);
    EXPECT_EQ (zktest::countColour (image, { 0, row, 60 * (int) zoom, 1 }, 0xffe6e6e6), 20);
    EXPECT_EQ (zktest::countColour (image, { 230, row, 20, 1 }, 0xffe6e6e6), 20);
}

struct TrackCase
{
    float alpha;
    juce::uint32 argb;
};

class DialTrackAlpha : public LinearDial, public ::testing::WithParamInterface<TrackCase> {};

TEST_P (DialTrackAlpha, RingIsWhiteAtTheGivenOpacity)
{
    dial.trackAlpha = GetParam().alpha;
    const auto image = zktest::renderComponent (dial);

    // Middle of the ring's stroke at 9 o'clock: (30 - 25, 51.5).
    const auto pixel = image.getPixelAt (4, 51);
    EXPECT_EQ (pixel.getAlpha(), GetParam().argb >> 24);

    if (pixel.getAlpha() != 0)
    {
        EXPECT_EQ (pixel.getARGB(), GetParam().argb);
    }
}

INSTANTIATE_TEST_SUITE_P (Opacities, DialTrackAlpha,
                          ::testing::Values (TrackCase { 0.25f, 0x40ffffff }, TrackCase { 0.1f, 0x1affffff },
                                             TrackCase { 0.0f, 0x00ffffff }, TrackCase { 1.0f, 0xffffffff }));

struct NameRowCase
{
    float radius;
    int top; // 2r + 31
};

std::ostream& operator<< (std::ostream& s, const NameRowCase& c) { return s << "radius " << c.radius; }

class DialNameRow : public LinearDial, public ::testing::WithParamInterface<NameRowCase> {};

TEST_P (DialNameRow, NameIsDrawnInItsRowBelowTheRing)
{
    dial.radius = GetParam().radius;
    dial.setName ("DEPTH");
    dial.skinZk.colours[47] = juce::Colour (0xff282828);
    const auto image = zktest::renderComponent (dial);

    // Everything below the ring and the knob is the name, exactly where it belongs.
    const juce::Rectangle<int> belowTheRing (0, GetParam().top - 4, 60, 100 - (GetParam().top - 4));
    EXPECT_GT (zktest::countColour (image, belowTheRing, 0xff282828), 0);
    EXPECT_EQ (zktest::countDifferences (image, expectedName (dial, GetParam().top), belowTheRing), 0);

    // Painting leaves the font at height 13.
    EXPECT_EQ (dial.font.getHeight(), 13.0f);
}

INSTANTIATE_TEST_SUITE_P (Radii, DialNameRow,
                          ::testing::Values (NameRowCase { 25.0f, 81 }, NameRowCase { 20.0f, 71 },
                                             NameRowCase { 16.0f, 63 }));

TEST_F (LinearDial, ValuePopUpOnlyWhileDragging)
{
    dial.setValue (50.0, juce::dontSendNotification);
    EXPECT_TRUE (zktest::isFullyTransparent (zktest::renderComponent (dial), { 0, 0, 60, 24 }));

    dial.mouseDown (zktest::mouseEvent (dial, { 30.0f, 50.0f }, { 30.0f, 50.0f }));
    EXPECT_TRUE (dial.showValueBox);

    const auto image = zktest::renderComponent (dial);
    EXPECT_EQ (zktest::argbAt (image, 30, 1), 0xffe6e6e6u);                      // box fill
    int textPixels = 0;                                                           // value text

    for (int y = 4; y < 16; ++y)
        for (int x = 0; x < 60; ++x)
            if (image.getPixelAt (x, y).getRed() < 0xa0)
                ++textPixels;

    EXPECT_GT (textPixels, 20);
    EXPECT_TRUE (zktest::isFullyTransparent (image, { 0, 19, 60, 5 }));           // box ends at y 19

    // The box is the text's width plus 8: "50.0 %".
    const auto box = popupBoxColumns (dial);
    EXPECT_NEAR (box.getLength(), dial.font.getStringWidthFloat ("50.0 %") + 8.0f, 1.0f);
    EXPECT_NEAR ((box.getStart() + box.getEnd()) * 0.5, 30.0, 1.0);
    EXPECT_EQ (zktest::countDifferences (image, expectedPopUp (dial, "50.0 %"), popUpRows), 0);

    dial.mouseUp (zktest::mouseEvent (dial, { 30.0f, 50.0f }, { 30.0f, 50.0f }));
    EXPECT_FALSE (dial.showValueBox);
    EXPECT_TRUE (zktest::isFullyTransparent (zktest::renderComponent (dial), { 0, 0, 60, 24 }));
}

TEST_F (LinearDial, ShiftDoesNotMakeTheDragFiner)
{
    const zktest::ScopedModifiers shift (juce::ModifierKeys (juce::ModifierKeys::shiftModifier));
    const auto mods = juce::ModifierKeys (juce::ModifierKeys::shiftModifier | juce::ModifierKeys::leftButtonModifier);

    dial.mouseDown (zktest::mouseEvent (dial, { 30.0f, 60.0f }, { 30.0f, 60.0f }, mods));
    dial.mouseDrag (zktest::mouseEvent (dial, { 30.0f, 15.0f }, { 30.0f, 60.0f }, mods));
    dial.mouseUp (zktest::mouseEvent (dial, { 30.0f, 15.0f }, { 30.0f, 60.0f }, mods));

    // 45 of the 90 pixels: half the range.
    EXPECT_NEAR (dial.getValue(), 50.0, 1e-9);
}

struct IntegerTextCase
{
    double value;
    const char* text;
};

std::ostream& operator<< (std::ostream& s, const IntegerTextCase& c) { return s << c.value << " shows " << c.text; }

class DialIntegerText : public LinearDial, public ::testing::WithParamInterface<IntegerTextCase> {};

TEST_P (DialIntegerText, ValueIsTruncatedTowardZero)
{
    dial.setRange (-10.0, 10.0, 0.0);
    dial.displayMin = -10.0f;
    dial.displayMax = 10.0f;
    dial.displayInteger = true;
    dial.setValue (GetParam().value, juce::dontSendNotification);
    dial.showValueBox = true;
    const auto image = zktest::renderComponent (dial);

    EXPECT_EQ (zktest::countDifferences (image, expectedPopUp (dial, GetParam().text), popUpRows), 0);
}

INSTANTIATE_TEST_SUITE_P (Values, DialIntegerText,
                          ::testing::Values (IntegerTextCase { -2.7, "-2 %" }, IntegerTextCase { 2.7, "2 %" },
                                             IntegerTextCase { -0.5, "0 %" }, IntegerTextCase { 9.99, "9 %" }));

struct NamedCase
{
    double value;
    const char* shownName;
    double degrees;
};

class DialValueNames : public ::testing::TestWithParam<NamedCase> {};

TEST_P (DialValueNames, NameByTruncatedProportionAndPointerOverTheNames)
{
    my::DialZk4 dial;
    dial.setSize (60, 100);
    dial.valueNames = { "Off", "On" };
    dial.valueSuffix = " Hz";
    dial.setValue (GetParam().value, juce::dontSendNotification);

    EXPECT_NEAR (angleDifference (pointerAngleDegrees (dial), GetParam().degrees), 0.0, 0.3);

    // No suffix after a value name.
    dial.showValueBox = true;
    EXPECT_EQ (zktest::countDifferences (zktest::renderComponent (dial), expectedPopUp (dial, GetParam().shownName), popUpRows), 0);
}

INSTANTIATE_TEST_SUITE_P (TwoNames, DialValueNames,
                          ::testing::Values (NamedCase { 1.0, "On", 142.5 },
                                             NamedCase { 0.6, "Off", 217.5 + 0.6 * 285.0 - 360.0 }));

TEST (Dial, CentreTickOnlyForACentreOrigin)
{
    for (const auto origin : { 0.5f, 0.4f, 0.0f })
    {
        my::DialZk4 dial;
        dial.setSize (60, 100);
        dial.trackAlpha = 0.0f;
        dial.arcOrigin = origin;
        const auto image = zktest::renderComponent (dial, zoom);

        // Slot 45 is not set by the house scheme: the tick shows in the red marker,
        // across the ring's top from y 24 to 29.
        const auto tick = juce::Rectangle<int> (28, 22, 4, 6) * (int) zoom;
        const auto redPixels = zktest::countColour (image, tick, 0xffc80000);

        if (origin == 0.5f)
            EXPECT_GT (redPixels, 100);
        else
            EXPECT_TRUE (zktest::isFullyTransparent (image, juce::Rectangle<int> (0, 0, 60, 28) * (int) zoom)) << origin;
    }
}

TEST (Dial, AlternateLookAndDebugBackground)
{
    my::DialZk4 dial;
    dial.setSize (60, 100);
    dial.setName ("X");
    dial.setValue (0.5, juce::dontSendNotification);
    dial.activeLook = false;
    dial.debugBackground = true;
    const auto image = zktest::renderComponent (dial, zoom);

    EXPECT_EQ (zktest::argbAt (image, 2, 2), 0xff640000u);
    // The pointer comes from slot 49, unset in the house scheme: the red marker.
    EXPECT_EQ (zktest::argbAt (image, (int) (30.0f * zoom) - 1, (int) (33.0f * zoom)), 0xffc80000u);
    EXPECT_EQ (zktest::countColour (image, image.getBounds(), 0xffe6e6e6), 0);
}

TEST (Dial, LogarithmicDisplayMapping)
{
    my::DialZk4 dial;
    dial.setSize (60, 100);
    dial.setRange (1.0, 100.0, 0.0);
    dial.displayMin = 1.0f;
    dial.displayMax = 100.0f;
    dial.displayLog = true;

    for (const auto& [value, degrees] : { std::pair { 10.0, 0.0 }, std::pair { 1.0, 217.5 }, std::pair { 100.0, 142.5 } })
    {
        dial.setValue (value, juce::dontSendNotification);
        EXPECT_NEAR (angleDifference (pointerAngleDegrees (dial), degrees), 0.0, 0.3) << value;
    }

    // The power law takes precedence over the logarithm.
    dial.displayPowerLaw = true;
    dial.displaySkew = 1.0f;
    dial.setValue (50.5, juce::dontSendNotification);
    EXPECT_NEAR (angleDifference (pointerAngleDegrees (dial), 0.0), 0.0, 0.3);
}

TEST_F (LinearDial, ValueTextWiderThanTheDialGivesABoxCutAtItsEdges)
{
    dial.valueSuffix = " percent of the whole range";
    dial.showValueBox = true;
    EXPECT_EQ (popupBoxColumns (dial), juce::Range<int> (0, 60));
}
