#include "EditorTestSupport.h"
#include "MyPanel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

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

//==============================================================================
// Painted as a child the panel is clipped to its bounds, and at zero width or
// height it is not painted at all; its paint called directly shows what its
// shapes cover wherever they fall. Rectangles are in the panel's own units.
struct UnclippedCase
{
    int width, height, cornerMode;
    float cornerRadius, edgeThickness;
    std::vector<juce::Rectangle<int>> faceAreas;   // exactly the face colour
    std::vector<juce::Rectangle<int>> edgeAreas;   // exactly the edge colour
    std::vector<juce::Rectangle<int>> fringes;     // partly covered by a curved outline
};

std::ostream& operator<< (std::ostream& s, const UnclippedCase& c)
{
    return s << c.width << "x" << c.height << " mode " << c.cornerMode << " r " << c.cornerRadius << " t " << c.edgeThickness;
}

class PanelPaintedDirectly : public ::testing::TestWithParam<UnclippedCase> {};

TEST_P (PanelPaintedDirectly, DrawsWhatItsShapesCoverAndNothingElse)
{
    const auto& param = GetParam();
    my::Panel panel;
    panel.faceColour = juce::Colour (face);
    panel.edgeColour = juce::Colour (edge);
    panel.cornerMode = param.cornerMode;
    panel.cornerRadius = param.cornerRadius;
    panel.edgeThickness = param.edgeThickness;
    panel.setSize (param.width, param.height);
    const auto image = zktest::paintUnclipped (panel);

    const auto within = [] (const std::vector<juce::Rectangle<int>>& areas, juce::Point<int> p)
    {
        return std::any_of (areas.begin(), areas.end(), [p] (const auto& area) { return area.contains (p); });
    };

    int wrongPixels = 0;
    juce::String firstWrong;

    for (int y = 0; y < image.getHeight(); ++y)
    {
        for (int x = 0; x < image.getWidth(); ++x)
        {
            const juce::Point<int> p (x - zktest::unclippedOrigin, y - zktest::unclippedOrigin);
            const auto pixel = image.getPixelAt (x, y);

            const auto right = within (param.faceAreas, p) ? pixel.getARGB() == face
                             : within (param.edgeAreas, p) ? pixel.getARGB() == edge
                             : within (param.fringes, p)   ? (pixel.getAlpha() > 0 && pixel.getAlpha() < 255)
                                                           : pixel.getAlpha() == 0;

            if (! right && wrongPixels++ == 0)
                firstWrong = p.toString() + " is " + pixel.toDisplayString (true);
        }
    }

    EXPECT_EQ (wrongPixels, 0) << "first at " << firstWrong;
}

// Negative face sizes go to the path functions as they come: a rounded outline
// of negative size is drawn mirrored, its corner size cut to half its side
// (a negative half, so the corners still curve outward).
INSTANTIATE_TEST_SUITE_P (
    Sizes, PanelPaintedDirectly,
    ::testing::Values (
        // 0 x 0, t 5: the face outline (5, 5, -10, -10) is a circle of radius 5
        // round the origin; the inner rectangles cover (-5, -5) to (5, 5) but for
        // the 2 rows about the centre line, which the circle fills but for their ends.
        UnclippedCase { 0, 0, 1, 8.0f, 5.0f, { { -5, -5, 10, 4 }, { -5, 1, 10, 4 }, { -4, -1, 8, 2 } }, {}, { { -5, -1, 1, 2 }, { 4, -1, 1, 2 } } },
        // 0 x 30, t 5: the inner rectangles make the face rectangle (5, 5, -10,
        // 20), over the face outline; the edge outline has no width.
        UnclippedCase { 0, 30, 1, 8.0f, 5.0f, { { -5, 5, 10, 20 } }, {}, {} },
        // 40 x 0, t 5: the inner rectangles cover x 5 to 35, y -5 to 5 but for the
        // 2 rows about the centre line, which the face outline (5, 5, 30, -10)
        // fills but for their ends.
        UnclippedCase { 40, 0, 1, 8.0f, 5.0f, { { 5, -5, 30, 4 }, { 5, 1, 30, 4 }, { 6, -1, 28, 2 } }, {}, { { 5, -1, 1, 2 }, { 34, -1, 1, 2 } } },
        // 10 x 10, t 30: the face outline (30, 30, -50, -50) is a circle of radius
        // 25 round the panel's centre; the edge quadrants cover the panel, then
        // the inner rectangles, 24 high, all of (-20, -20) to (30, 30) but rows 4
        // and 5, where the edge shows on the panel and the circle beyond it.
        UnclippedCase { 10, 10, 1, 8.0f, 30.0f, { { -20, -20, 50, 24 }, { -20, 6, 50, 24 }, { -19, 4, 19, 2 }, { 10, 4, 19, 2 } },
                        { { 0, 4, 10, 2 } }, { { -20, 4, 1, 2 }, { 29, 4, 1, 2 } } },
        // Height 0, t 0: each squared quadrant's inner rectangle is a row 1 high
        // on its side of the centre line, top ones below it, bottom ones above.
        UnclippedCase { 40, 0, 1, 8.0f, 0.0f, { { 0, -1, 40, 2 } }, {}, {} },
        UnclippedCase { 40, 0, 2, 8.0f, 0.0f, { { 0, -1, 40, 1 } }, {}, {} },
        UnclippedCase { 40, 0, 3, 8.0f, 0.0f, { { 0, -1, 20, 2 } }, {}, {} },
        UnclippedCase { 40, 0, 4, 8.0f, 0.0f, { { 0, 0, 40, 1 } }, {}, {} },
        UnclippedCase { 40, 0, 5, 8.0f, 0.0f, { { 20, -1, 20, 2 } }, {}, {} },
        UnclippedCase { 40, 0, 6, 8.0f, 0.0f, {}, {}, {} },
        UnclippedCase { 40, 0, 0, 8.0f, 0.0f, {}, {}, {} },
        // Width 0, t 0: every shape has no width.
        UnclippedCase { 0, 30, 1, 8.0f, 0.0f, {}, {}, {} },
        UnclippedCase { 0, 0, 1, 8.0f, 0.0f, {}, {}, {} }));

TEST (PanelRect, FillsTheWholeAreaBeingPaintedWhateverItsSize)
{
    // Painted as a child that area is the rectangle's own; with no clip it is
    // the whole image, even at zero size.
    my::PanelRect rect;
    rect.colour = juce::Colour (face);

    for (const auto& size : { juce::Point<int> (0, 0), { 0, 30 }, { 40, 0 } })
    {
        rect.setSize (size.x, size.y);
        const auto image = zktest::paintUnclipped (rect);
        EXPECT_EQ (zktest::countColour (image, image.getBounds(), face), image.getWidth() * image.getHeight()) << size.toString();
    }
}

TEST (PanelRect, FillsItsWholeAreaInOneColour)
{
    my::PanelRect rect;
    rect.colour = juce::Colour (face);
    rect.setSize (13, 7);
    const auto image = zktest::renderComponent (rect);
    EXPECT_EQ (zktest::countColour (image, image.getBounds(), face), 13 * 7);
}
