#include "EditorTestSupport.h"
#include "MyPanel.h"

#include <gtest/gtest.h>

namespace
{
    constexpr juce::uint32 face = 0xffe0c516;
    constexpr juce::uint32 edge = 0xff3050a0;

    struct Corners
    {
        bool topLeft, topRight, bottomRight, bottomLeft; // true: square
    };

    struct CornerCase
    {
        int mode;
        Corners square;
    };

    std::ostream& operator<< (std::ostream& s, const CornerCase& c) { return s << "cornerMode " << c.mode; }
} // namespace

TEST (Panel, Defaults)
{
    my::Panel panel;
    EXPECT_EQ (panel.faceColour.getARGB(), 0xff000000u);
    EXPECT_EQ (panel.edgeColour.getARGB(), 0xff505050u);
    EXPECT_EQ (panel.cornerMode, 6);
    EXPECT_EQ (panel.cornerRadius, 0.0f);
    EXPECT_EQ (panel.edgeThickness, 0.0f);
    EXPECT_FALSE (panel.isOpaque());

    // A panel left at its defaults is a plain opaque black rectangle.
    panel.setSize (20, 10);
    const auto image = zktest::renderComponent (panel);
    EXPECT_EQ (zktest::countColour (image, image.getBounds(), 0xff000000), 200);

    my::PanelRect rect;
    EXPECT_EQ (rect.colour.getARGB(), 0xff000000u);
}

class PanelCorners : public ::testing::TestWithParam<CornerCase> {};

TEST_P (PanelCorners, SquaresTheChosenCornersAndRoundsTheOthers)
{
    my::Panel panel;
    panel.faceColour = juce::Colour (face);
    panel.edgeColour = juce::Colour (edge);
    panel.cornerMode = GetParam().mode;
    panel.cornerRadius = 8.0f;
    panel.edgeThickness = 3.0f;
    panel.setSize (40, 30);
    const auto image = zktest::renderComponent (panel);

    // A square corner shows the edge band up to the corner pixel; a rounded one leaves it empty.
    const auto check = [&] (int x, int y, bool square)
    {
        if (square)
            EXPECT_TRUE (zktest::isNear (image, x, y, edge)) << x << "," << y;
        else
            EXPECT_EQ (image.getPixelAt (x, y).getAlpha(), 0) << x << "," << y;
    };

    const auto& square = GetParam().square;
    check (0, 0, square.topLeft);
    check (39, 0, square.topRight);
    check (39, 29, square.bottomRight);
    check (0, 29, square.bottomLeft);

    // The face and the straight parts of the band are there whatever the mode.
    EXPECT_EQ (zktest::argbAt (image, 20, 15), face);
    EXPECT_EQ (zktest::argbAt (image, 20, 1), edge);
    EXPECT_EQ (zktest::argbAt (image, 1, 15), edge);
}

INSTANTIATE_TEST_SUITE_P (
    Modes, PanelCorners,
    ::testing::Values (CornerCase { 1, { true, true, true, true } },
                       CornerCase { 2, { false, false, true, true } },
                       CornerCase { 3, { true, false, false, true } },
                       CornerCase { 4, { true, true, false, false } },
                       CornerCase { 5, { false, true, true, false } },
                       CornerCase { 6, { false, false, false, false } },
                       CornerCase { 7, { true, false, true, true } },
                       CornerCase { 8, { true, true, false, true } },
                       CornerCase { 9, { true, true, true, false } },
                       CornerCase { 10, { false, true, true, true } },
                       CornerCase { 0, { false, false, false, false } },
                       CornerCase { -1, { false, false, false, false } },
                       CornerCase { 11, { false, false, false, false } }));

TEST (Panel, SquareCornerKeepsAnEdgeBandOfTheThickness)
{
    my::Panel panel;
    panel.faceColour = juce::Colour (face);
    panel.edgeColour = juce::Colour (edge);
    panel.cornerMode = 1;
    panel.cornerRadius = 8.0f;
    panel.edgeThickness = 3.0f;
    panel.setSize (40, 30);
    const auto image = zktest::renderComponent (panel);

    // Face rectangle (3, 3, 34, 24) inside a 3-unit band, corners included.
    EXPECT_EQ (zktest::countColour (image, { 3, 3, 34, 24 }, face), 34 * 24);
    EXPECT_EQ (zktest::countNear (image, image.getBounds(), edge), 40 * 30 - 34 * 24);
}

TEST (Panel, ThickBandIsOverpaintedByTheInnerRectanglesNearTheCentreLine)
{
    // t = 10 on a height of 20: the inner rectangles still reach one unit past
    // the centre line, so the face shows in rows 9 and 10 between x 10 and 30.
    my::Panel panel;
    panel.faceColour = juce::Colour (face);
    panel.edgeColour = juce::Colour (edge);
    panel.cornerMode = 1;
    panel.edgeThickness = 10.0f;
    panel.setSize (40, 20);
    const auto image = zktest::renderComponent (panel);

    EXPECT_EQ (zktest::countColour (image, { 10, 9, 20, 2 }, face), 40);
    EXPECT_EQ (zktest::countColour (image, image.getBounds(), face), 40);
}

TEST (Panel, ZeroThicknessFaceCoversTheEdge)
{
    my::Panel panel;
    panel.faceColour = juce::Colour (face);
    panel.edgeColour = juce::Colour (edge);
    panel.cornerRadius = 8.0f;
    panel.setSize (40, 30);
    const auto image = zktest::renderComponent (panel);

    EXPECT_EQ (zktest::countColour (image, image.getBounds(), edge), 0);
    EXPECT_EQ (zktest::argbAt (image, 0, 15), face);
    EXPECT_EQ (image.getPixelAt (0, 0).getAlpha(), 0);
}

struct ClipCase
{
    juce::Rectangle<int> bounds;
    float edgeThickness;
};

std::ostream& operator<< (std::ostream& s, const ClipCase& c) { return s << c.bounds.toString() << " t " << c.edgeThickness; }

class PanelClipping : public ::testing::TestWithParam<ClipCase> {};

// With no area nothing shows; a band wider than the panel turns its face
// outline inside out, past its bounds, yet nothing shows outside them.
TEST_P (PanelClipping, NothingShowsOutsideItsBounds)
{
    const auto& bounds = GetParam().bounds;
    const auto outside = [&] (const juce::Image& image)
    {
        int count = 0;

        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                if (! bounds.contains (x, y) && image.getPixelAt (x, y).getAlpha() != 0)
                    ++count;

        return count;
    };

    my::Panel panel;
    panel.faceColour = juce::Colour (face);
    panel.edgeColour = juce::Colour (edge);
    panel.cornerMode = 1;
    panel.cornerRadius = 8.0f;
    panel.edgeThickness = GetParam().edgeThickness;
    EXPECT_EQ (outside (zktest::renderAsChild (panel, bounds)), 0);

    my::PanelRect rect;
    rect.colour = juce::Colour (face);
    EXPECT_EQ (outside (zktest::renderAsChild (rect, bounds)), 0);
}

INSTANTIATE_TEST_SUITE_P (Sizes, PanelClipping,
                          ::testing::Values (ClipCase { { 20, 20, 0, 0 }, 5.0f },
                                             ClipCase { { 20, 20, 0, 30 }, 5.0f },
                                             ClipCase { { 20, 20, 40, 0 }, 5.0f },
                                             ClipCase { { 20, 20, 10, 10 }, 30.0f }));

TEST (PanelRect, FillsItsWholeAreaInOneColour)
{
    my::PanelRect rect;
    rect.colour = juce::Colour (face);
    rect.setSize (13, 7);
    const auto image = zktest::renderComponent (rect);
    EXPECT_EQ (zktest::countColour (image, image.getBounds(), face), 13 * 7);
}
