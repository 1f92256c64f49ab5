#include "MyPanel.h"

namespace my
{

namespace
{
    enum Quadrant
    {
        topRight = 1,
        bottomRight = 2,
        bottomLeft = 4,
        topLeft = 8
    };

    /** The quadrants whose corners a corner mode squares off. */
    int squaredQuadrants (int cornerMode)
    {
        switch (cornerMode)
        {
            case 1:  return topRight | bottomRight | bottomLeft | topLeft;
            case 2:  return bottomRight | bottomLeft;
            case 3:  return bottomLeft | topLeft;
            case 4:  return topRight | topLeft;
            case 5:  return topRight | bottomRight;
            case 7:  return bottomRight | bottomLeft | topLeft;
            case 8:  return topRight | bottomLeft | topLeft;
            case 9:  return topRight | bottomRight | topLeft;
            case 10: return topRight | bottomRight | bottomLeft;
            default: return 0;
        }
    }

    void fillRoundedRectangle (juce::Graphics& g, float x, float y, float w, float h, float r)
    {
        juce::Path path;
        path.addRoundedRectangle (x, y, w, h, r, r, true, true, true, true);
        g.fillPath (path);
    }

    void fillRectangle (juce::Graphics& g, float x, float y, float w, float h)
    {
        juce::Path path;
        path.addRectangle (x, y, w, h);
        g.fillPath (path);
    }
} // namespace

Panel::Panel() = default;
Panel::~Panel() = default;

void Panel::paint (juce::Graphics& g)
{
    const auto w = static_cast<float> (getWidth());
    const auto h = static_cast<float> (getHeight());
    const auto r = cornerRadius;
    const auto t = edgeThickness;

    g.setColour (edgeColour);
    fillRoundedRectangle (g, 0.0f, 0.0f, w, h, r);

    const auto wi = w - (t + t);
    const auto hi = h - (t + t);
    g.setColour (faceColour);
    fillRoundedRectangle (g, t, t, wi, hi, r);

    const auto squared = squaredQuadrants (cornerMode);

    if (squared == 0)
        return;

    const auto hw = w * 0.5f;
    const auto hh = h * 0.5f;
    const auto hwi = wi * 0.5f;
    const auto hhi = hi * 0.5f;

    g.setColour (edgeColour);

    if ((squared & topRight) != 0)     fillRectangle (g, hw, 0.0f, hw, hh);
    if ((squared & bottomRight) != 0)  fillRectangle (g, hw, hh, hw, hh);
    if ((squared & bottomLeft) != 0)   fillRectangle (g, 0.0f, hh, hw, hh);
    if ((squared & topLeft) != 0)      fillRectangle (g, 0.0f, 0.0f, hw, hh);

    // The inner rectangles reach one unit past the horizontal centre line.
    g.setColour (faceColour);

    if ((squared & topRight) != 0)     fillRectangle (g, hw, t, hwi, hhi + 1.0f);
    if ((squared & bottomRight) != 0)  fillRectangle (g, hw, hh - 1.0f, hwi, hhi + 1.0f);
    if ((squared & bottomLeft) != 0)   fillRectangle (g, t, hh - 1.0f, hwi, hhi + 1.0f);
    if ((squared & topLeft) != 0)      fillRectangle (g, t, t, hwi, hhi + 1.0f);
}

//==============================================================================
PanelRect::PanelRect() = default;
PanelRect::~PanelRect() = default;

void PanelRect::paint (juce::Graphics& g)
{
    g.setColour (colour);
    g.fillAll();
}

} // namespace my
