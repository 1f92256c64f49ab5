#include "EditorTestSupport.h"
#include "MyMultiButtonSliderZk.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{
    using Selector = my::MultiButtonSliderVerticalZk;

    constexpr juce::uint32 light = 0xffe6e6e6;
    constexpr juce::uint32 mid = 0xff646464;
    constexpr juce::uint32 background = 0xff282828;

    /** The editor's waveform selector: sine over triangle at 32 x 45. */
    struct ShapeSelector : public ::testing::Test
    {
        ShapeSelector()
        {
            selector.addItem ("Sine");
            selector.addItem ("Triangle");
            selector.itemIcons = { Selector::iconSine, Selector::iconTriangle };
            selector.setSize (32, 45);
        }

        Selector selector;
    };

    /** Each item's fill in its own colour and no outlines or foreground, so
        that the items' rectangles can be read off the pixels. */
    void showItemRectangles (Selector& selector)
    {
        auto& colours = selector.skin.colours;
        colours[14] = juce::Colour (0xff0000ff); // selected fill
        colours[15] = juce::Colour (0xff00ff00); // other fill
        colours[16] = juce::Colours::transparentBlack;
        colours[17] = juce::Colours::transparentBlack;
        colours[18] = juce::Colours::transparentBlack;
        colours[19] = juce::Colours::transparentBlack;
    }

    /** Rows of column x that are fully opaque. */
    std::vector<int> opaqueRows (const juce::Image& image, int x)
    {
        std::vector<int> rows;

        for (int y = 0; y < image.getHeight(); ++y)
            if (image.getPixelAt (x, y).getAlpha() == 255)
                rows.push_back (y);

        return rows;
    }

    std::vector<int> rowRange (int start, int end)
    {
        std::vector<int> rows;

        for (int y = start; y < end; ++y)
            rows.push_back (y);

        return rows;
    }

    std::vector<int> join (std::vector<int> a, const std::vector<int>& b)
    {
        a.insert (a.end(), b.begin(), b.end());
        return a;
    }
} // namespace

TEST (ItemSelector, ConstructionDefaults)
{
    my::MyMultiButtonSliderVertical plain;
    EXPECT_EQ (plain.getSliderStyle(), juce::Slider::LinearVertical);
    EXPECT_EQ (plain.numItems, 0);
    EXPECT_EQ (plain.selectedItem, 1);
    EXPECT_EQ (plain.cornerRadius, 3.0f);
    EXPECT_EQ (plain.textOffsetY, 1.0f);
    EXPECT_EQ (plain.iconLineWidth, 1.0f);
    EXPECT_FALSE (plain.drawOutline);
    EXPECT_EQ (plain.getMouseDragSensitivity(), 90);

    Selector house;
    EXPECT_EQ (house.cornerRadius, 0.0f);
    EXPECT_EQ (house.iconLineWidth, 1.5f);

    house.addItem ("A");
    house.addItem ("B");
    EXPECT_EQ (house.numItems, 2);
    EXPECT_EQ (house.itemTexts, (std::vector<juce::String> { "A", "B" }));
    EXPECT_EQ (house.itemIcons, (std::vector<int> { 0, 0 }));

    // The value mapping is turned upside down: the top of the column is 0.
    EXPECT_EQ (house.proportionOfLengthToValue (1.0), 0.0);
    EXPECT_EQ (house.proportionOfLengthToValue (0.25), 0.75);
    EXPECT_EQ (house.valueToProportionOfLength (0.0), 1.0);
}

TEST_F (ShapeSelector, SelectedIconIsLightAndTheOtherMidGrey)
{
    // At 8x the 1.5-pixel icon lines are 12 pixels wide, so their inner pixels
    // show the exact colours.
    constexpr int zoom = 8;
    const juce::Rectangle<int> top (0, 0, 32 * zoom, 22 * zoom);
    const juce::Rectangle<int> bottom (0, 23 * zoom, 32 * zoom, 22 * zoom);

    for (const auto value : { 0.0, 1.0 })
    {
        selector.setValue (value, juce::dontSendNotification);
        const auto image = zktest::renderComponent (selector, (float) zoom);
        const auto& selectedArea = value == 0.0 ? top : bottom;
        const auto& otherArea = value == 0.0 ? bottom : top;

        EXPECT_GT (zktest::countColour (image, selectedArea, light), 500) << value;
        EXPECT_LT (zktest::countColour (image, selectedArea, mid), 20) << value; // only edge blends
        EXPECT_GT (zktest::countColour (image, otherArea, mid), 500) << value;
        EXPECT_EQ (zktest::countColour (image, otherArea, light), 0) << value;
        EXPECT_EQ (selector.selectedItem, value == 0.0 ? 1 : 2);
    }
}

TEST_F (ShapeSelector, AlternateLookDrawsFromTheUnsetSlots)
{
    selector.activeLook = false;
    const auto image = zktest::renderComponent (selector, 8.0f);

    // Slots 20, 21, 24 and 25 hold the red marker in the house scheme.
    EXPECT_EQ (zktest::argbAt (image, 20, 60), 0xffc80000u);   // item 1 fill
    EXPECT_EQ (zktest::argbAt (image, 20, 300), 0xffc80000u);  // item 2 fill
    EXPECT_EQ (zktest::countColour (image, image.getBounds(), light), 0);
    EXPECT_EQ (zktest::countColour (image, image.getBounds(), mid), 0);
}

struct LayoutCase
{
    int numItems;
    int height;
    std::vector<int> rows;
};

class ItemLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P (ItemLayout, ItemsOfEqualHeightWithOnePixelGaps)
{
    Selector selector;

    for (int i = 0; i < GetParam().numItems; ++i)
        selector.addItem (juce::String (i));

    selector.setSize (32, GetParam().height);
    showItemRectangles (selector);
    const auto image = zktest::renderComponent (selector);

    EXPECT_EQ (opaqueRows (image, 16), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P (
    Heights, ItemLayout,
    ::testing::Values (LayoutCase { 2, 45, join (rowRange (0, 22), rowRange (23, 45)) },                            // h = 22
                       LayoutCase { 2, 46, join (rowRange (0, 22), rowRange (23, 45)) },                            // bottom row empty
                       LayoutCase { 1, 45, rowRange (0, 45) },                                                      // whole height
                       LayoutCase { 3, 45, join (join (rowRange (0, 14), rowRange (15, 29)), rowRange (30, 44)) })); // h = 14

TEST_F (ShapeSelector, LayoutColoursFollowTheSelectedItem)
{
    showItemRectangles (selector);
    selector.setValue (1.0, juce::dontSendNotification);
    const auto image = zktest::renderComponent (selector);

    EXPECT_EQ (zktest::argbAt (image, 16, 10), 0xff00ff00u);  // item 1, not selected
    EXPECT_EQ (zktest::argbAt (image, 16, 34), 0xff0000ffu);  // item 2, selected
    EXPECT_EQ (image.getPixelAt (16, 22).getAlpha(), 0);      // the gap row
}

struct SelectionCase
{
    int numItems;
    double value;
    int selectedItem;
};

class ItemSelection : public ::testing::TestWithParam<SelectionCase> {};

TEST_P (ItemSelection, EachItemOwnsAnIntervalOpenBelowAndClosedAbove)
{
    Selector selector;

    for (int i = 0; i < GetParam().numItems; ++i)
        selector.addItem (juce::String (i));

    selector.setSize (32, 45);
    selector.setRange (-1.0, 2.0, 0.0); // lets the test reach values outside 0 to 1
    selector.setValue (GetParam().value, juce::dontSendNotification);
    showItemRectangles (selector);
    const auto image = zktest::renderComponent (selector);

    EXPECT_EQ (selector.selectedItem, GetParam().selectedItem);

    // The selected item is the one drawn in the selected fill.
    const auto itemHeight = (45 - GetParam().numItems + 1) / GetParam().numItems;
    const auto middleOfSelected = (GetParam().selectedItem - 1) * (itemHeight + 1) + itemHeight / 2;
    EXPECT_EQ (zktest::argbAt (image, 16, middleOfSelected), 0xff0000ffu);
}

INSTANTIATE_TEST_SUITE_P (
    Boundaries, ItemSelection,
    ::testing::Values (SelectionCase { 2, 0.0, 1 },
                       SelectionCase { 2, 0.25, 1 },
                       SelectionCase { 2, 0.5, 1 },
                       SelectionCase { 2, (double) std::nextafter (0.5f, 1.0f), 2 },
                       SelectionCase { 2, 1.0, 2 },
                       SelectionCase { 2, 1.5, 1 },   // above 1
                       SelectionCase { 2, -0.5, 1 },  // below 0
                       SelectionCase { 2, std::numeric_limits<double>::quiet_NaN(), 1 },
                       SelectionCase { 1, 0.7, 1 },
                       SelectionCase { 3, 0.34, 2 },
                       SelectionCase { 3, 0.9, 3 }));

TEST (ItemSelector, OnlyTheOuterCornersAreRounded)
{
    Selector selector;
    selector.addItem ("1");
    selector.addItem ("2");
    selector.addItem ("3");
    selector.cornerRadius = 6.0f;
    selector.setSize (32, 45);
    showItemRectangles (selector);
    const auto image = zktest::renderComponent (selector);

    const auto alphaAt = [&] (int x, int y) { return image.getPixelAt (x, y).getAlpha(); };

    // Item 1 (y 0 to 14): top corners rounded, bottom square.
    EXPECT_EQ (alphaAt (0, 0), 0);
    EXPECT_EQ (alphaAt (31, 0), 0);
    EXPECT_EQ (alphaAt (0, 13), 255);
    EXPECT_GE (alphaAt (31, 13), 253);
    // Middle item (y 15 to 29): a plain rectangle.
    EXPECT_EQ (alphaAt (0, 15), 255);
    EXPECT_GE (alphaAt (31, 28), 253); // the renderer's last column is 1/256 short
    // Last item (y 30 to 44): bottom corners rounded, top square.
    EXPECT_EQ (alphaAt (0, 30), 255);
    EXPECT_GE (alphaAt (31, 30), 253);
    EXPECT_EQ (alphaAt (0, 43), 0);
    EXPECT_EQ (alphaAt (31, 43), 0);
}

TEST (ItemSelector, SingleItemRoundsOnlyItsTopCorners)
{
    Selector selector;
    selector.addItem ("Only");
    selector.cornerRadius = 6.0f;
    selector.setSize (32, 45);
    showItemRectangles (selector);
    const auto image = zktest::renderComponent (selector);

    EXPECT_EQ (image.getPixelAt (0, 0).getAlpha(), 0);
    EXPECT_EQ (image.getPixelAt (31, 0).getAlpha(), 0);
    EXPECT_EQ (image.getPixelAt (0, 44).getAlpha(), 255);
    EXPECT_GE (image.getPixelAt (31, 44).getAlpha(), 253);
}

TEST (ItemSelector, SelectedMiddleItemIsOutlinedInTheRedMarker)
{
    Selector selector;
    selector.addItem ("1");
    selector.addItem ("2");
    selector.addItem ("3");
    selector.setSize (32, 45);
    selector.setValue (0.5, juce::dontSendNotification);
    const auto image = zktest::renderComponent (selector);

    // The outline's stroke covers half of the item's left column.
    const auto middleEdge = image.getPixelAt (0, 22);
    EXPECT_GT (middleEdge.getRed(), 0x60);
    EXPECT_LT (middleEdge.getGreen(), 0x30);

    const auto firstEdge = image.getPixelAt (0, 7);
    EXPECT_EQ (firstEdge.getRed(), firstEdge.getGreen());
}

TEST (ItemSelector, OutlineAndSeparatorsAtMultiplesOfTheItemHeight)
{
    Selector selector;
    selector.addItem ("1");
    selector.addItem ("2");
    selector.addItem ("3");
    selector.setSize (32, 45);
    selector.setValue (0.5, juce::dontSendNotification); // the middle one: its outline is the red marker
    showItemRectangles (selector);
    selector.skin.colours[14] = juce::Colours::transparentBlack;
    selector.skin.colours[15] = juce::Colours::transparentBlack;
    selector.skin.colours[16] = juce::Colour (0xff00ff00);
    selector.drawOutline = true;
    const auto image = zktest::renderComponent (selector);

    // Outline inset by half a pixel: the outer rows and columns.
    EXPECT_EQ (zktest::argbAt (image, 16, 0), 0xff00ff00u);
    EXPECT_EQ (zktest::argbAt (image, 0, 10), 0xff00ff00u);
    EXPECT_TRUE (zktest::isNear (image, 31, 10, 0xff00ff00u));
    EXPECT_EQ (zktest::argbAt (image, 16, 44), 0xff00ff00u);

    // Separators at y = 14 and 28 (i times h, h = 14), half covering the rows on either side.
    for (const auto row : { 13, 27 })
    {
        const auto pixel = image.getPixelAt (16, row);
        EXPECT_NEAR (pixel.getAlpha(), 128, 2) << row;
        EXPECT_EQ (pixel.getGreen(), 255) << row;
    }

    EXPECT_EQ (image.getPixelAt (16, 7).getAlpha(), 0);
    EXPECT_EQ (image.getPixelAt (16, 36).getAlpha(), 0);
}

TEST (ItemSelector, IconGeometryFillsTheBandOfEachItem)
{
    // At 32 x 45 with two items: S 4.2, E 27.8; item 1 from yT 5.4 to yB 16.6, item 2 from 28.4 to 39.6.
    for (const auto kind : { 1, 2, 3, 4, 5, 14 })
    {
        for (const auto& [top, bandTop, bandBottom] : { std::tuple { 0.0f, 5.4f, 16.6f }, std::tuple { 23.0f, 28.4f, 39.6f } })
        {
            const auto bounds = my::MyMultiButtonSliderVertical::makeIcon (kind, 32, 22, top).getBounds();
            EXPECT_NEAR (bounds.getX(), 4.2f, 1.0e-4f) << kind;
            EXPECT_NEAR (bounds.getRight(), 27.8f, 1.0e-4f) << kind;
            EXPECT_NEAR (bounds.getY(), bandTop, 1.0e-4f) << kind;
            EXPECT_NEAR (bounds.getBottom(), bandBottom, 1.0e-4f) << kind;
        }
    }

    // The sine's first half lies above the centre line (y grows downward).
    const auto sine = my::MyMultiButtonSliderVertical::makeIcon (1, 32, 22, 0.0f);
    EXPECT_LT (sine.getPointAlongPath (sine.getLength() * 0.25f).y, 11.0f);
    EXPECT_GT (sine.getPointAlongPath (sine.getLength() * 0.75f).y, 11.0f);

    for (const auto kind : { 0, 6, 9, 13, -1, 15 })
        EXPECT_TRUE (my::MyMultiButtonSliderVertical::makeIcon (kind, 32, 22, 0.0f).isEmpty()) << kind;
}

TEST (ItemSelector, UnknownIconKindsShowOnlyTheBackgroundAndTextItemsTheirText)
{
    Selector selector;
    selector.addItem ("Sine");
    selector.addItem ("Tri");
    selector.itemIcons = { 7, my::MyMultiButtonSlider::iconText };
    selector.setSize (60, 45);
    const auto image = zktest::renderComponent (selector);

    // Item 1 is selected but draws no foreground: only its dark fill.
    EXPECT_EQ (zktest::countColour (image, { 1, 1, 58, 20 }, 0xff282828), 58 * 20);

    // Item 2's text in mid grey (antialiased glyph edges are darker).
    int greyPixels = 0;

    for (int y = 24; y < 44; ++y)
        for (int x = 1; x < 59; ++x)
            if (image.getPixelAt (x, y).getRed() > 0x30)
                ++greyPixels;

    EXPECT_GT (greyPixels, 10);
}

TEST (ItemSelector, WithoutItemsPaintsNothing)
{
    // No item to draw and no item height to divide out: paint, called directly
    // so that nothing it drew beyond the bounds could hide, draws nothing at all.
    Selector selector;

    for (const auto& size : { juce::Point<int> (32, 45), { 0, 0 } })
    {
        selector.setSize (size.x, size.y);
        const auto image = zktest::paintUnclipped (selector);
        EXPECT_TRUE (zktest::isFullyTransparent (image, image.getBounds())) << size.toString();
    }
}

TEST_F (ShapeSelector, ClickInTheUpperPartGivesTheFirstItemAndLowerTheLast)
{
    // As the "shape" attachment sets it up: two choices, interval 1.
    selector.setRange (0.0, 1.0, 1.0);

    selector.mouseDown (zktest::mouseEvent (selector, { 16.0f, 38.0f }, { 16.0f, 38.0f }));
    selector.mouseUp (zktest::mouseEvent (selector, { 16.0f, 38.0f }, { 16.0f, 38.0f }));
    EXPECT_EQ (selector.getValue(), 1.0);

    selector.mouseDown (zktest::mouseEvent (selector, { 16.0f, 6.0f }, { 16.0f, 6.0f }));
    selector.mouseUp (zktest::mouseEvent (selector, { 16.0f, 6.0f }, { 16.0f, 6.0f }));
    EXPECT_EQ (selector.getValue(), 0.0);
}

//==============================================================================
namespace
{
    constexpr juce::uint32 hoverOverlay = 0x1affffff;

    /** The colour that a fill of the overlay leaves on an opaque colour. */
    juce::uint32 overlaid (juce::uint32 base)
    {
        juce::Image pixel (juce::Image::ARGB, 1, 1, true, juce::SoftwareImageType());
        juce::Graphics g (pixel);
        g.fillAll (juce::Colour (base));
        g.fillAll (juce::Colour (hoverOverlay));
        return zktest::argbAt (pixel, 0, 0);
    }

    /** The selector painted at 8x with the mouse over it at a point (in the
        selector's own pixels), or away from it. */
    juce::Image renderWithMouse (Selector& selector, bool mouseIsOver, juce::Point<int> mouse)
    {
        constexpr float zoom = 8.0f;
        juce::Image image (juce::Image::ARGB, selector.getWidth() * (int) zoom, selector.getHeight() * (int) zoom,
                           true, juce::SoftwareImageType());
        juce::Graphics g (image);
        g.addTransform (juce::AffineTransform::scale (zoom));
        selector.paintWithMouse (g, mouseIsOver, mouse);
        return image;
    }

    // Inside each item, clear of its 1-pixel outline (at 8x).
    const juce::Rectangle<int> sineInside (8, 8, 30 * 8, 20 * 8);
    const juce::Rectangle<int> triangleInside (8, 24 * 8, 30 * 8, 20 * 8);
} // namespace

TEST_F (ShapeSelector, HoveredItemTakesTheWhiteOverlayOnItsFillAndItsIcon)
{
    // Value 0: the sine on top is selected (light icon), the triangle not (mid grey).
    for (const auto& [mouse, hovered, other, hoveredIcon] :
         { std::tuple { juce::Point<int> (16, 10), sineInside, triangleInside, light },
           std::tuple { juce::Point<int> (3, 40), triangleInside, sineInside, mid } })
    {
        SCOPED_TRACE (mouse.toString());
        const auto image = renderWithMouse (selector, true, mouse);
        const auto otherIcon = hoveredIcon == light ? mid : light;

        // (A few antialiased icon edges may blend to either colour by chance.)
        EXPECT_GT (zktest::countColour (image, hovered, overlaid (background)), 5000);
        EXPECT_GT (zktest::countColour (image, hovered, overlaid (hoveredIcon)), 500);
        EXPECT_LT (zktest::countColour (image, hovered, background), 20);
        EXPECT_LT (zktest::countColour (image, hovered, hoveredIcon), 20);

        // The other item is drawn as without the mouse.
        EXPECT_GT (zktest::countColour (image, other, background), 5000);
        EXPECT_GT (zktest::countColour (image, other, otherIcon), 500);
        EXPECT_LT (zktest::countColour (image, other, overlaid (background)), 20);
        EXPECT_LT (zktest::countColour (image, other, overlaid (otherIcon)), 20);
    }
}

TEST_F (ShapeSelector, NoOverlayOnTheGapRowOrWhenTheMouseIsNotOver)
{
    const auto away = renderWithMouse (selector, false, { -100, -100 });
    const auto bounds = away.getBounds();

    EXPECT_LT (zktest::countColour (away, bounds, overlaid (background)), 20);
    EXPECT_EQ (zktest::countDifferences (renderWithMouse (selector, true, { 16, 22 }), away, bounds), 0);   // the gap row
    EXPECT_EQ (zktest::countDifferences (renderWithMouse (selector, true, { 16, 45 }), away, bounds), 0);   // below the items
    EXPECT_EQ (zktest::countDifferences (renderWithMouse (selector, true, { 32, 10 }), away, bounds), 0);   // right of them
    EXPECT_EQ (zktest::countDifferences (renderWithMouse (selector, false, { 16, 10 }), away, bounds), 0);  // over another component
    EXPECT_EQ (zktest::countDifferences (zktest::renderComponent (selector, 8.0f), away, bounds), 0);       // no mouse at all
}

struct BoostCase
{
    juce::uint8 alpha;
    juce::uint8 boosted;
};

std::ostream& operator<< (std::ostream& s, const BoostCase& c) { return s << "alpha " << (int) c.alpha << " to " << (int) c.boosted; }

class ForegroundAlphaBoost : public ShapeSelector, public ::testing::WithParamInterface<BoostCase> {};

TEST_P (ForegroundAlphaBoost, WhileTheMouseIsAnywhereOverTheSelector)
{
    // The mouse on the gap row hovers no item: only the boost changes the picture.
    const auto withAlpha = [] (Selector& s, juce::uint8 alpha)
    {
        s.skin.colours[18] = juce::Colour (light).withAlpha (alpha);
        s.skin.colours[19] = juce::Colour (mid).withAlpha (alpha);
    };

    withAlpha (selector, GetParam().alpha);
    const auto hovered = renderWithMouse (selector, true, { 16, 22 });

    withAlpha (selector, GetParam().boosted);
    const auto expected = renderWithMouse (selector, false, { 16, 22 });

    EXPECT_EQ (zktest::countDifferences (hovered, expected, expected.getBounds()), 0);
}

INSTANTIATE_TEST_SUITE_P (Alphas, ForegroundAlphaBoost,
                          ::testing::Values (BoostCase { 128, 192 }, BoostCase { 25, 38 }, BoostCase { 27, 40 },
                                             BoostCase { 170, 255 }, BoostCase { 255, 255 }));
