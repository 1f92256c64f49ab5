#pragma once

// Offscreen rendering and synthetic mouse input for the editor tests.

#include "MyDialZk4.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cmath>

namespace zktest
{

/** Paints a component and its children into a transparent ARGB image, zoomed
    by the given factor (the component's own size times zoom). */
inline juce::Image renderComponent (juce::Component& component, float zoom = 1.0f)
{
    juce::Image image (juce::Image::ARGB,
                       juce::jmax (1, juce::roundToInt ((float) component.getWidth() * zoom)),
                       juce::jmax (1, juce::roundToInt ((float) component.getHeight() * zoom)),
                       true, juce::SoftwareImageType());
    juce::Graphics g (image);
    g.addTransform (juce::AffineTransform::scale (zoom));
    component.paintEntireComponent (g, true);
    return image;
}

inline juce::uint32 argbAt (const juce::Image& image, int x, int y)
{
    return image.getPixelAt (x, y).getARGB();
}

/** Number of pixels of exactly this colour inside the rectangle. */
inline int countColour (const juce::Image& image, juce::Rectangle<int> area, juce::uint32 argb)
{
    int count = 0;

    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (argbAt (image, x, y) == argb)
                ++count;

    return count;
}

/** Number of pixels within the tolerance of this colour on every channel. The
    software renderer leaves a shape that reaches the right edge of the clip
    1/256 short of full cover in the last column, so exact counts miss it. */
inline int countNear (const juce::Image& image, juce::Rectangle<int> area, juce::uint32 argb, int tolerance = 3)
{
    const juce::Colour target (argb);
    int count = 0;

    for (int y = area.getY(); y < area.getBottom(); ++y)
    {
        for (int x = area.getX(); x < area.getRight(); ++x)
        {
            const auto c = image.getPixelAt (x, y);

            if (std::abs (c.getAlpha() - target.getAlpha()) <= tolerance
                && std::abs (c.getRed() - target.getRed()) <= tolerance
                && std::abs (c.getGreen() - target.getGreen()) <= tolerance
                && std::abs (c.getBlue() - target.getBlue()) <= tolerance)
                ++count;
        }
    }

    return count;
}

inline bool isNear (const juce::Image& image, int x, int y, juce::uint32 argb, int tolerance = 3)
{
    return countNear (image, { x, y, 1, 1 }, argb, tolerance) == 1;
}

inline bool isFullyTransparent (const juce::Image& image, juce::Rectangle<int> area)
{
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (image.getPixelAt (x, y).getAlpha() != 0)
                return false;

    return true;
}

/** Number of pixels inside the area that differ between two images. */
inline int countDifferences (const juce::Image& a, const juce::Image& b, juce::Rectangle<int> area)
{
    int count = 0;

    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (argbAt (a, x, y) != argbAt (b, x, y))
                ++count;

    return count;
}

/** Where paintUnclipped puts the component's origin in its image. */
constexpr int unclippedOrigin = 64;

/** Calls the component's own paint on a graphics context that clips to nothing
    but a 128 x 128 image, with the component's origin at its middle, so that
    whatever paint draws beyond the component's bounds shows too. Painted as a
    child, the framework clips it to its bounds, and one of zero width or height
    is never painted at all. */
inline juce::Image paintUnclipped (juce::Component& component)
{
    juce::Image image (juce::Image::ARGB, 2 * unclippedOrigin, 2 * unclippedOrigin, true, juce::SoftwareImageType());
    juce::Graphics g (image);
    g.setOrigin ({ unclippedOrigin, unclippedOrigin });
    component.paint (g);
    return image;
}

inline void writePng (const juce::Image& image, const juce::String& fileName)
{
    const juce::File folder (ZK_TEST_OUTPUT_DIR);
    folder.createDirectory();
    auto file = folder.getChildFile (fileName);
    file.deleteFile();
    juce::FileOutputStream stream (file);
    juce::PNGImageFormat().writeImageToStream (image, stream);
}

/** A mouse event on the component as the framework would deliver it. */
inline juce::MouseEvent mouseEvent (juce::Component& component,
                                    juce::Point<float> position,
                                    juce::Point<float> downPosition,
                                    juce::ModifierKeys modifiers = juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier),
                                    int clicks = 1)
{
    const auto now = juce::Time::getCurrentTime();
    return { juce::Desktop::getInstance().getMainMouseSource(),
             position, modifiers, juce::MouseInputSource::defaultPressure,
             juce::MouseInputSource::defaultOrientation, juce::MouseInputSource::defaultRotation,
             juce::MouseInputSource::defaultTiltX, juce::MouseInputSource::defaultTiltY,
             &component, &component, now, downPosition, now, clicks, position != downPosition };
}

/** Sets the framework's record of the modifier keys for the scope, as the
    input of a real event would. */
class ScopedModifiers
{
public:
    explicit ScopedModifiers (juce::ModifierKeys mods) : previous (juce::ModifierKeys::currentModifiers)
    {
        juce::ModifierKeys::currentModifiers = mods;
    }

    ~ScopedModifiers() { juce::ModifierKeys::currentModifiers = previous; }

private:
    juce::ModifierKeys previous;
};

/** The direction of a light pointer on a dark knob, in degrees clockwise from
    12 o'clock, in [0, 360): the centroid of the light pixels within the radius
    around the centre (image pixels). */
inline double pointerAngleDegrees (const juce::Image& image, juce::Point<double> centre, double radius)
{
    double sumX = 0.0, sumY = 0.0, sumWeight = 0.0;

    for (int y = 0; y < image.getHeight(); ++y)
    {
        for (int x = 0; x < image.getWidth(); ++x)
        {
            const auto dx = x + 0.5 - centre.x;
            const auto dy = y + 0.5 - centre.y;

            if (dx * dx + dy * dy > radius * radius)
                continue;

            // 0 on the dark knob, 1 on the light pointer.
            const auto weight = juce::jlimit (0.0, 1.0, (image.getPixelAt (x, y).getRed() - 0x28) / double (0xe6 - 0x28));
            sumX += dx * weight;
            sumY += dy * weight;
            sumWeight += weight;
        }
    }

    if (sumWeight == 0.0)
        return std::nan ("");

    const auto degrees = juce::radiansToDegrees (std::atan2 (sumX / sumWeight, -sumY / sumWeight));
    return degrees < 0.0 ? degrees + 360.0 : degrees;
}

/** The dial pointer's direction, from the dial rendered alone at 8x. */
inline double pointerAngleDegrees (my::DialZk4& dial)
{
    constexpr float zoom = 8.0f;
    const juce::Point<double> centre ((double) dial.getWidth() * 0.5 * zoom, (26.5 + (double) dial.radius) * zoom);
    return pointerAngleDegrees (renderComponent (dial, zoom), centre, ((double) dial.radius - 2.5) * zoom - 2.0);
}

/** a - b in degrees, folded into [-180, 180]. */
inline double angleDifference (double a, double b)
{
    return std::remainder (a - b, 360.0);
}

} // namespace zktest
