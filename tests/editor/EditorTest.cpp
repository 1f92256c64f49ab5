#include "EditorTestSupport.h"
#include "PluginEditor.h"
#include "PluginProcessor.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
    constexpr juce::uint32 gold = 0xffe0c516;
    constexpr juce::uint32 background = 0xff282828;
    constexpr juce::uint32 light = 0xffe6e6e6;

    /** Records the gestures and value changes the host would receive. */
    struct HostRecorder final : public juce::AudioProcessorListener
    {
        void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float) override
        {
            events.add ("change " + juce::String (index));
        }

        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}

        void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override
        {
            events.add ("begin " + juce::String (index));
        }

        void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override
        {
            events.add ("end " + juce::String (index));
        }

        juce::StringArray events;
    };

    /** A processor with one editor at a time, opened and closed as a host does. */
    struct EditorFixture : public ::testing::Test
    {
        ~EditorFixture() override { closeEditor(); }

        ZKUndularAudioProcessorEditor& openEditor()
        {
            closeEditor();
            editor.reset (dynamic_cast<ZKUndularAudioProcessorEditor*> (processor.createEditor()));
            EXPECT_NE (editor, nullptr);
            return *editor;
        }

        void closeEditor()
        {
            if (editor != nullptr)
            {
                processor.editorBeingDeleted (editor.get());
                editor.reset();
            }
        }

        juce::RangedAudioParameter& parameter (const char* id) { return *processor.parameters.getParameter (id); }

        float value (const char* id) { return processor.parameters.getRawParameterValue (id)->load(); }

        void setFromHost (const char* id, float realValue)
        {
            auto& p = parameter (id);
            p.setValueNotifyingHost (p.convertTo0to1 (realValue));
        }

        ZKUndularAudioProcessor processor;
        std::unique_ptr<ZKUndularAudioProcessorEditor> editor;
    };

    juce::Image snapshot (ZKUndularAudioProcessorEditor& editor)
    {
        return editor.createComponentSnapshot (editor.getLocalBounds(), true, 1.0f)
                     .convertedToFormat (juce::Image::ARGB);
    }
} // namespace

//==============================================================================
struct SizeCase
{
    float editorScale;
    int width, height;
};

class EditorOpening : public EditorFixture, public ::testing::WithParamInterface<SizeCase> {};

TEST_P (EditorOpening, OpensAtTheKeptScale)
{
    processor.editorScale = GetParam().editorScale;
    auto& e = openEditor();

    EXPECT_EQ (e.getWidth(), GetParam().width);
    EXPECT_EQ (e.getHeight(), GetParam().height);
    EXPECT_EQ (e.scale, (float) GetParam().width / 366.0f);
    EXPECT_EQ (e.getTransform(), juce::AffineTransform());
    EXPECT_EQ (e.contentComponent.getTransform(), juce::AffineTransform::scale (GetParam().editorScale));
    EXPECT_EQ (e.contentComponent.getBounds(), juce::Rectangle<int> (0, 0, 366, 142));
}

INSTANTIATE_TEST_SUITE_P (Scales, EditorOpening,
                          ::testing::Values (SizeCase { 1.0f, 366, 142 }, SizeCase { 0.5f, 183, 71 },
                                             SizeCase { 2.0f, 732, 284 }, SizeCase { 0.6f, 220, 85 }));

struct ReopenCase
{
    int closedWidth;
    int reopenedHeight;
};

class EditorReopening : public EditorFixture, public ::testing::WithParamInterface<ReopenCase> {};

TEST_P (EditorReopening, ReopensAtTheWidthItWasClosedAt)
{
    auto& first = openEditor();
    first.setSize (GetParam().closedWidth, juce::roundToInt (GetParam().closedWidth * 142.0 / 366.0));
    ASSERT_EQ (first.getWidth(), GetParam().closedWidth);
    closeEditor();

    EXPECT_EQ (processor.editorScale, (float) GetParam().closedWidth / 366.0f);

    auto& second = openEditor();
    EXPECT_EQ (second.getWidth(), GetParam().closedWidth);
    EXPECT_EQ (second.getHeight(), GetParam().reopenedHeight);
}

INSTANTIATE_TEST_SUITE_P (Widths, EditorReopening,
                          ::testing::Values (ReopenCase { 420, 163 }, ReopenCase { 184, 71 }, ReopenCase { 366, 142 }));

TEST_F (EditorFixture, NeverResizedEditorWritesBackTheWidthItOpenedAt)
{
    processor.editorScale = 0.6f; // 219.6 design pixels wide: opens at 220
    openEditor();
    closeEditor();
    EXPECT_EQ (processor.editorScale, 220.0f / 366.0f);
}

TEST_F (EditorFixture, ConstrainerKeepsTheAspectAndTheMinimum)
{
    auto& e = openEditor();
    auto* constrainer = e.getConstrainer();
    ASSERT_NE (constrainer, nullptr);
    EXPECT_EQ (constrainer->getFixedAspectRatio(), 366.0 / 142.0);
    EXPECT_EQ (constrainer->getMinimumWidth(), 183);
    EXPECT_EQ (constrainer->getMinimumHeight(), 71);
    EXPECT_TRUE (e.isResizable());

    e.setBoundsConstrained ({ 0, 0, 50, 20 });
    EXPECT_EQ (e.getWidth(), 183);
    EXPECT_EQ (e.getHeight(), 71);

    for (const auto& [w, h] : { std::pair { 800, 100 }, std::pair { 500, 900 }, std::pair { 1000, 388 } })
    {
        e.setBoundsConstrained ({ 0, 0, w, h });
        EXPECT_GE (e.getWidth(), 183);
        EXPECT_GE (e.getHeight(), 71);
        EXPECT_NEAR ((double) e.getWidth() / e.getHeight(), 366.0 / 142.0, 0.02) << w << "x" << h;
    }
}

TEST_F (EditorFixture, TimerAppliesTheNewScaleAfterAResize)
{
    auto& e = openEditor();
    EXPECT_TRUE (e.isTimerRunning());
    EXPECT_EQ (e.getTimerInterval(), 30);

    e.setSize (420, 163);
    EXPECT_EQ (e.scale, 420.0f / 366.0f);
    EXPECT_EQ (e.contentComponent.getTransform(), juce::AffineTransform::scale (1.0f)); // not yet

    e.timerCallback();
    EXPECT_EQ (e.contentComponent.getTransform(), juce::AffineTransform::scale (420.0f / 366.0f));
    EXPECT_EQ (e.contentComponent.getBounds(), juce::Rectangle<int> (0, 0, 366, 142));
}

TEST_F (EditorFixture, HeightThatDoesNotFitLeavesTheScaleAndShowsTheBackgroundBelow)
{
    auto& e = openEditor();
    e.setSize (366, 200);
    e.timerCallback();
    EXPECT_EQ (e.scale, 1.0f);

    const auto image = snapshot (e);
    EXPECT_EQ (zktest::argbAt (image, 100, 170), background);
    EXPECT_EQ (zktest::argbAt (image, 15, 125), gold); // the content is unchanged
}

//==============================================================================
TEST_F (EditorFixture, ContentLayoutAndStackingOrder)
{
    auto& c = openEditor().contentComponent;

    const std::vector<std::pair<juce::Component*, juce::Rectangle<int>>> layout {
        { &c.mainPanel, { 5, 34, 356, 103 } },   { &c.selectorPanel, { 29, 55, 40, 53 } },
        { &c.titleLabel, { 4, 2, 150, 34 } },    { &c.makerLabel, { 260, 3, 102, 34 } },
        { &c.shapeSelector, { 33, 59, 32, 45 } }, { &c.rateDial, { 84, 30, 60, 100 } },
        { &c.depthDial, { 152, 30, 60, 100 } },  { &c.phaseDial, { 228, 40, 60, 100 } },
        { &c.widthDial, { 288, 40, 60, 100 } }
    };

    for (const auto& [component, bounds] : layout)
        EXPECT_EQ (component->getBounds(), bounds) << component->getName();

    const std::vector<juce::Component*> bottomToTop { &c.mainPanel, &c.selectorPanel,
                                                      &c.shapeSelector, &c.titleLabel, &c.makerLabel,
                                                      &c.rateDial, &c.depthDial, &c.phaseDial, &c.widthDial };
    ASSERT_EQ (c.getNumChildComponents(), 9);

    for (int i = 0; i < 9; ++i)
        EXPECT_EQ (c.getChildComponent (i), bottomToTop[(size_t) i]) << i;

    // The layout stays at every editor size.
    openEditor().setSize (732, 284);
    EXPECT_EQ (editor->contentComponent.getBounds(), juce::Rectangle<int> (0, 0, 366, 142));
    EXPECT_EQ (editor->contentComponent.shapeSelector.getBounds(), juce::Rectangle<int> (33, 59, 32, 45));

    // Where the RATE dial overlaps the title, the dial is on top and takes the mouse.
    EXPECT_EQ (editor->contentComponent.getComponentAt (100, 33), &editor->contentComponent.rateDial);
}

TEST_F (EditorFixture, WidgetConfiguration)
{
    auto& c = openEditor().contentComponent;

    EXPECT_EQ (c.shapeSelector.itemTexts, (std::vector<juce::String> { "Sine", "Triangle" }));
    EXPECT_EQ (c.shapeSelector.itemIcons, (std::vector<int> { 1, 2 }));
    EXPECT_EQ (c.shapeSelector.cornerRadius, 0.0f);

    struct DialCase
    {
        my::DialZk4* dial;
        const char* name;
        float min, max, skew;
        bool powerLaw;
        const char* suffix;
        float radius;
    };

    for (const auto& d : { DialCase { &c.rateDial, "RATE", 0.01f, 30.0f, 4.0f, true, " Hz", 25.0f },
                           DialCase { &c.depthDial, "DEPTH", 0.0f, 100.0f, 1.0f, false, " %", 25.0f },
                           DialCase { &c.phaseDial, "PHASE", 0.0f, 100.0f, 1.0f, false, " %", 20.0f },
                           DialCase { &c.widthDial, "WIDTH", 0.0f, 100.0f, 1.0f, false, " %", 20.0f } })
    {
        EXPECT_EQ (d.dial->getName(), d.name);
        EXPECT_EQ (d.dial->displayMin, d.min) << d.name;
        EXPECT_EQ (d.dial->displayMax, d.max) << d.name;
        EXPECT_EQ (d.dial->displaySkew, d.skew) << d.name;
        EXPECT_EQ (d.dial->displayPowerLaw, d.powerLaw) << d.name;
        EXPECT_EQ (d.dial->valueSuffix, d.suffix) << d.name;
        EXPECT_EQ (d.dial->radius, d.radius) << d.name;
        EXPECT_EQ (d.dial->trackAlpha, 0.25f) << d.name;
        EXPECT_EQ (d.dial->skinZk.colours[47].getARGB(), 0xff282828u) << d.name;
        EXPECT_EQ (d.dial->font.getTypefacePtr(), c.bodyFont.getTypefacePtr()) << d.name;
        EXPECT_TRUE (d.dial->activeLook);
    }

    EXPECT_EQ (c.mainPanel.faceColour.getARGB(), gold);
    EXPECT_EQ (c.mainPanel.cornerRadius, 8.0f);
    EXPECT_EQ (c.selectorPanel.faceColour.getARGB(), background);
    EXPECT_EQ (c.selectorPanel.cornerRadius, 5.0f);
    EXPECT_EQ (c.mainPanel.cornerMode, 6);
    EXPECT_EQ (c.mainPanel.edgeThickness, 0.0f);
}

TEST_F (EditorFixture, LabelsShowTheirTextsInTheDisplayFace)
{
    auto& c = openEditor().contentComponent;

    EXPECT_EQ (c.titleLabel.getText(), "ZK-UNDulAR");
    EXPECT_EQ (c.makerLabel.getText(), "ZVX KoRMIN");

    EXPECT_EQ (c.titleLabel.getFont().getTypefacePtr(), c.titleFont.getTypefacePtr());
    EXPECT_EQ (c.makerLabel.getFont().getTypefacePtr(), c.titleFont.getTypefacePtr());
    EXPECT_EQ (c.titleLabel.getFont().getHeight(), 20.0f);
    EXPECT_EQ (c.makerLabel.getFont().getHeight(), 14.0f);
    EXPECT_EQ (c.titleLabel.findColour (juce::Label::textColourId).getARGB(), 0xffe6e6e6u);
    EXPECT_EQ (c.makerLabel.findColour (juce::Label::textColourId).getARGB(), 0xffe6e6e6u);
    EXPECT_EQ (c.titleLabel.getJustificationType(), juce::Justification::centredLeft);
    EXPECT_FALSE (c.titleLabel.isEditable());

    // The two embedded faces, not the system's.
    EXPECT_EQ (c.titleFont.getTypefaceName(), "Engadget");
    EXPECT_EQ (c.bodyFont.getTypefaceName(), "Liberation Sans");
    EXPECT_EQ (c.bodyFont.getTypefaceStyle(), "Bold");
}

//==============================================================================
TEST_F (EditorFixture, GoldPanelDarkSelectorPanelAndBackground)
{
    for (const auto editorScale : { 1, 2 })
    {
        closeEditor(); // it hands its own scale back
        processor.editorScale = (float) editorScale;
        const auto image = snapshot (openEditor());
        const auto at = [&] (int x, int y) { return zktest::argbAt (image, x * editorScale, y * editorScale); };

        EXPECT_EQ (at (15, 125), gold) << editorScale;        // inside the main panel
        EXPECT_EQ (at (350, 120), gold) << editorScale;
        EXPECT_EQ (at (2, 120), background) << editorScale;   // left of it
        EXPECT_EQ (at (200, 139), background) << editorScale; // below it
        EXPECT_NE (at (5, 34), gold) << editorScale;          // its rounded corner
        EXPECT_EQ (at (30, 80), background) << editorScale;   // the selector's panel
        EXPECT_EQ (at (27, 80), gold) << editorScale;
    }
}

TEST_F (EditorFixture, RenderedEditorIsWrittenForALook)
{
    setFromHost ("rate", 5.0f);
    setFromHost ("depth", 40.0f);
    setFromHost ("phase", 50.0f);
    setFromHost ("width", 70.0f);

    for (const auto editorScale : { 1, 2 })
    {
        SCOPED_TRACE (editorScale);
        closeEditor();
        processor.editorScale = (float) editorScale;
        auto& c = openEditor().contentComponent;
        const auto image = snapshot (*editor);
        zktest::writePng (image, "editor-scale" + juce::String (editorScale) + ".png");

        ASSERT_EQ (image.getWidth(), 366 * editorScale);
        ASSERT_EQ (image.getHeight(), 142 * editorScale);
        const auto scaled = [&] (juce::Rectangle<int> r) { return r * editorScale; };
        const auto area = (int) (editorScale * editorScale);

        // Light label texts on the dark background.
        EXPECT_GT (zktest::countNear (image, scaled (c.titleLabel.getBounds()), light, 8), 40 * area);
        EXPECT_GT (zktest::countNear (image, scaled (c.makerLabel.getBounds()), light, 8), 30 * area);

        // The sine selected: a light icon on top, the triangle mid grey below.
        const auto selector = c.shapeSelector.getBounds();
        EXPECT_GT (zktest::countNear (image, scaled (selector.withHeight (22)), light, 8), 10 * area);
        EXPECT_EQ (zktest::countNear (image, scaled (selector.withTrimmedTop (23)), light, 8), 0);
        EXPECT_GT (zktest::countNear (image, scaled (selector.withTrimmedTop (23)), 0xff646464, 8), 10 * area);

        // Each dial: its dark name on the gold panel, its pointer at the host's value.
        for (const auto& [dial, degrees] : { std::pair { &c.rateDial, 39.52 },  // ((5 - 0.01) / 29.99) ^ (1/4)
                                             std::pair { &c.depthDial, 331.5 },
                                             std::pair { &c.phaseDial, 0.0 },
                                             std::pair { &c.widthDial, 57.0 } })
        {
            SCOPED_TRACE (dial->getName());
            const auto bounds = dial->getBounds();
            const auto r = (double) dial->radius;
            const auto nameRow = juce::Rectangle<int> (bounds.getX(), bounds.getY() + (int) (2.0 * r) + 31, 60, 12);
            EXPECT_GT (zktest::countNear (image, scaled (nameRow), background, 8), 20 * area);

            const juce::Point<double> centre ((bounds.getX() + 30.0) * editorScale, (bounds.getY() + 26.5 + r) * editorScale);
            const auto pointer = zktest::pointerAngleDegrees (image, centre, (r - 2.5) * editorScale - 2.0);
            EXPECT_NEAR (zktest::angleDifference (pointer, degrees), 0.0, 1.5);
        }

        // No value pop-up while nothing is dragged.
        EXPECT_EQ (zktest::argbAt (image, 182 * editorScale, 31 * editorScale), background);
    }

    // The same while the DEPTH dial is dragged: its value pop-up shows.
    const juce::Slider::ScopedDragNotification drag (editor->contentComponent.depthDial);
    const auto dragging = snapshot (*editor);
    zktest::writePng (dragging, "editor-scale2-dragging-depth.png");

    const auto popUp = juce::Rectangle<int> (152 + 30 - 15, 30, 30, 19) * 2;
    EXPECT_EQ (zktest::argbAt (dragging, 182 * 2, 31 * 2), light);
    EXPECT_GT (zktest::countNear (dragging, popUp, background, 8), 40);
}

//==============================================================================
TEST_F (EditorFixture, WidgetsShowTheParameterValuesAtOpening)
{
    setFromHost ("shape", 1.0f);
    setFromHost ("rate", 5.0f);
    setFromHost ("depth", 40.0f);
    setFromHost ("phase", 25.0f);
    setFromHost ("width", 70.0f);

    auto& c = openEditor().contentComponent;
    EXPECT_EQ (c.shapeSelector.getValue(), 1.0);
    EXPECT_NEAR (c.rateDial.getValue(), 5.0, 1e-4);
    EXPECT_NEAR (c.depthDial.getValue(), 40.0, 1e-4);
    EXPECT_NEAR (c.phaseDial.getValue(), 25.0, 1e-4);
    EXPECT_NEAR (c.widthDial.getValue(), 70.0, 1e-4);

    closeEditor();
    EXPECT_EQ (value ("shape"), 1.0f);
    EXPECT_NEAR (value ("rate"), 5.0f, 1e-4f);
    EXPECT_NEAR (value ("width"), 70.0f, 1e-4f);
}

TEST_F (EditorFixture, HostChangesMoveTheSelectionAndThePointers)
{
    auto& c = openEditor().contentComponent;
    constexpr int zoom = 8;
    const juce::Rectangle<int> sineItem (0, 0, 32 * zoom, 22 * zoom);
    const juce::Rectangle<int> triangleItem (0, 23 * zoom, 32 * zoom, 22 * zoom);

    auto image = zktest::renderComponent (c.shapeSelector, (float) zoom);
    EXPECT_GT (zktest::countColour (image, sineItem, 0xffe6e6e6), 500);
    EXPECT_GT (zktest::countColour (image, triangleItem, 0xff646464), 500);

    setFromHost ("shape", 1.0f);
    image = zktest::renderComponent (c.shapeSelector, (float) zoom);
    EXPECT_EQ (zktest::countColour (image, sineItem, 0xffe6e6e6), 0);
    EXPECT_GT (zktest::countColour (image, sineItem, 0xff646464), 500);
    EXPECT_GT (zktest::countColour (image, triangleItem, 0xffe6e6e6), 500);

    // RATE: the pointer follows ((v - 0.01) / 29.99) ^ (1/4), not the parameter's cubic curve.
    parameter ("rate").setValueNotifyingHost (0.5f); // 3.75875 Hz
    EXPECT_NEAR (c.rateDial.getValue(), 3.75875, 1e-5);
    EXPECT_NEAR (zktest::angleDifference (zktest::pointerAngleDegrees (c.rateDial), 26.96), 0.0, 0.3);

    setFromHost ("rate", 1.0f);
    EXPECT_NEAR (zktest::angleDifference (zktest::pointerAngleDegrees (c.rateDial), -21.02), 0.0, 0.3);

    setFromHost ("rate", 0.01f);
    EXPECT_NEAR (zktest::angleDifference (zktest::pointerAngleDegrees (c.rateDial), 217.5), 0.0, 0.3);

    setFromHost ("width", 50.0f);
    EXPECT_NEAR (zktest::angleDifference (zktest::pointerAngleDegrees (c.widthDial), 0.0), 0.0, 0.3);
}

TEST_F (EditorFixture, DialDragChangesItsParameterInsideAGesture)
{
    auto& dial = openEditor().contentComponent.depthDial;
    HostRecorder host;
    processor.addListener (&host);
    const auto index = parameter ("depth").getParameterIndex();

    dial.mouseDown (zktest::mouseEvent (dial, { 30.0f, 60.0f }, { 30.0f, 60.0f }));
    EXPECT_TRUE (dial.showValueBox);
    dial.mouseDrag (zktest::mouseEvent (dial, { 30.0f, 15.0f }, { 30.0f, 60.0f }));
    EXPECT_NEAR (value ("depth"), 50.0f, 1e-3f); // 45 of 90 pixels
    dial.mouseUp (zktest::mouseEvent (dial, { 30.0f, 15.0f }, { 30.0f, 60.0f }));
    EXPECT_FALSE (dial.showValueBox);

    processor.removeListener (&host);
    ASSERT_GE (host.events.size(), 3);
    EXPECT_EQ (host.events[0], "begin " + juce::String (index));
    EXPECT_TRUE (host.events.contains ("change " + juce::String (index)));
    EXPECT_EQ (host.events[host.events.size() - 1], "end " + juce::String (index));
}

TEST_F (EditorFixture, RateDragMovesTheParametersNormalisedPositionEvenly)
{
    auto& dial = openEditor().contentComponent.rateDial;
    dial.mouseDown (zktest::mouseEvent (dial, { 30.0f, 60.0f }, { 30.0f, 60.0f }));
    dial.mouseDrag (zktest::mouseEvent (dial, { 30.0f, 15.0f }, { 30.0f, 60.0f }));
    dial.mouseUp (zktest::mouseEvent (dial, { 30.0f, 15.0f }, { 30.0f, 60.0f }));

    EXPECT_NEAR (value ("rate"), 3.75875f, 1e-4f);
}

TEST_F (EditorFixture, DoubleClickResetsToTheDefault)
{
    auto& c = openEditor().contentComponent;
    setFromHost ("depth", 70.0f);
    setFromHost ("width", 20.0f);
    HostRecorder host;
    processor.addListener (&host);

    c.depthDial.mouseDoubleClick (zktest::mouseEvent (c.depthDial, { 30.0f, 50.0f }, { 30.0f, 50.0f }, {}, 2));
    c.widthDial.mouseDoubleClick (zktest::mouseEvent (c.widthDial, { 30.0f, 50.0f }, { 30.0f, 50.0f }, {}, 2));

    processor.removeListener (&host);
    EXPECT_EQ (value ("depth"), 0.0f);
    EXPECT_EQ (value ("width"), 100.0f);
    EXPECT_EQ (host.events[0], "begin " + juce::String (parameter ("depth").getParameterIndex()));

    // A click with Alt held does the same.
    setFromHost ("phase", 40.0f);
    const juce::ModifierKeys alt (juce::ModifierKeys::altModifier | juce::ModifierKeys::leftButtonModifier);
    c.phaseDial.mouseDown (zktest::mouseEvent (c.phaseDial, { 30.0f, 50.0f }, { 30.0f, 50.0f }, alt));
    c.phaseDial.mouseUp (zktest::mouseEvent (c.phaseDial, { 30.0f, 50.0f }, { 30.0f, 50.0f }, alt));
    EXPECT_EQ (value ("phase"), 0.0f);
}

TEST_F (EditorFixture, SelectorClickChoosesTheShape)
{
    auto& selector = openEditor().contentComponent.shapeSelector;
    HostRecorder host;
    processor.addListener (&host);

    selector.mouseDown (zktest::mouseEvent (selector, { 16.0f, 38.0f }, { 16.0f, 38.0f }));
    selector.mouseUp (zktest::mouseEvent (selector, { 16.0f, 38.0f }, { 16.0f, 38.0f }));
    EXPECT_EQ (value ("shape"), 1.0f); // Triangle

    selector.mouseDown (zktest::mouseEvent (selector, { 16.0f, 5.0f }, { 16.0f, 5.0f }));
    selector.mouseUp (zktest::mouseEvent (selector, { 16.0f, 5.0f }, { 16.0f, 5.0f }));
    EXPECT_EQ (value ("shape"), 0.0f); // Sine

    processor.removeListener (&host);
    EXPECT_TRUE (host.events.contains ("begin " + juce::String (parameter ("shape").getParameterIndex())));
    EXPECT_TRUE (host.events.contains ("end " + juce::String (parameter ("shape").getParameterIndex())));
}

TEST_F (EditorFixture, ManyEditorsComeAndGo)
{
    for (int i = 0; i < 5; ++i)
    {
        auto& e = openEditor();
        e.setSize (366 + i * 20, 142);
        closeEditor();
    }

    EXPECT_EQ (processor.editorScale, 446.0f / 366.0f);
    EXPECT_EQ (openEditor().getWidth(), 446);
}
