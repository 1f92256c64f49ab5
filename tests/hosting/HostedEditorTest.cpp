// A user opening and closing the plug-in's window during playback: the host's
// audio thread keeps calling processBlock while the message thread creates the
// editor, shows it in a window, and deletes it again, a few dozen times.
// Needs a display (ctest runs it under Xvfb): the hosts embed the plug-in's
// own view only once their window is on screen.

#include "HostedPlugin.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <thread>

#include <dlfcn.h>

namespace
{
    class HostedEditor : public ::testing::TestWithParam<PluginFormat> {};

    /** The host's audio thread: steady blocks of a tone, as in playback. */
    class AudioThread final
    {
    public:
        AudioThread (juce::AudioPluginInstance& pluginToRun, int blockSizeToUse)
            : plugin (pluginToRun), blockSize (blockSizeToUse), thread ([this] { run(); })
        {
        }

        ~AudioThread() { stop(); }

        void stop()
        {
            keepRunning = false;

            if (thread.joinable())
                thread.join();
        }

        int getBlocks() const noexcept { return blocks; }
        bool allOutputFinite() const noexcept { return finite; }

    private:
        void run()
        {
            juce::AudioBuffer<float> buffer (2, blockSize);
            juce::MidiBuffer midi;
            double phase = 0.0;

            while (keepRunning)
            {
                for (int i = 0; i < blockSize; ++i, phase += 0.05)
                {
                    buffer.setSample (0, i, 0.3f * (float) std::sin (phase));
                    buffer.setSample (1, i, 0.3f * (float) std::cos (phase));
                }

                {
                    const juce::ScopedLock lock (plugin.getCallbackLock());
                    plugin.processBlock (buffer, midi);
                }

                for (int channel = 0; channel < 2; ++channel)
                    for (int i = 0; i < blockSize; ++i)
                        if (! std::isfinite (buffer.getSample (channel, i)))
                            finite = false;

                ++blocks;
                std::this_thread::sleep_for (std::chrono::milliseconds (1));
            }
        }

        juce::AudioPluginInstance& plugin;
        const int blockSize;
        std::atomic<bool> keepRunning { true }, finite { true };
        std::atomic<int> blocks { 0 };
        std::thread thread;
    };

    /** The host's plug-in window. */
    class PluginWindow final : public juce::DocumentWindow
    {
    public:
        explicit PluginWindow (juce::AudioProcessorEditor& editor)
            : juce::DocumentWindow ("ZK-Undular", juce::Colours::black, 0, true)
        {
            setUsingNativeTitleBar (true);
            setContentNonOwned (&editor, true);
            setTopLeftPosition (20, 20);
            setVisible (true);
        }

        ~PluginWindow() override { clearContentComponent(); }
    };

    /** A bare X server (Xvfb, no window manager) has none of the window-manager
        atoms yet. The framework looks some of them up without creating them and
        then sets window properties with the missing (zero) atom: harmless while
        its own X error handler is installed, but with two copies of the
        framework in one process (the host's and the plug-in's) the plug-in's
        copy restores the default handler when it unloads, and the next such
        error ends the process. A desktop's window manager creates these atoms at
        start-up; this does the same, and keeps the connection open so the
        server does not reset (and forget them) between clients. */
    void createWindowManagerAtoms()
    {
        static void* display = nullptr;

        if (display != nullptr)
            return;

        auto* x11 = dlopen ("libX11.so.6", RTLD_NOW | RTLD_LOCAL);

        if (x11 == nullptr)
            return;

        using OpenDisplay = void* (*) (const char*);
        using InternAtom = unsigned long (*) (void*, const char*, int);
        const auto openDisplay = reinterpret_cast<OpenDisplay> (dlsym (x11, "XOpenDisplay"));
        const auto internAtom = reinterpret_cast<InternAtom> (dlsym (x11, "XInternAtom"));

        if (openDisplay == nullptr || internAtom == nullptr || (display = openDisplay (nullptr)) == nullptr)
            return;

        for (auto* name : { "WM_PROTOCOLS", "WM_TAKE_FOCUS", "WM_DELETE_WINDOW", "_NET_WM_PING",
                            "WM_CHANGE_STATE", "WM_STATE", "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE",
                            "_NET_WM_STATE_HIDDEN", "_NET_FRAME_EXTENTS", "_NET_WORKAREA", "_MOTIF_WM_HINTS",
                            "_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_ALLOWED_ACTIONS",
                            "_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_MOVE", "_NET_WM_ACTION_CLOSE",
                            "_NET_WM_ACTION_MINIMIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT",
                            "_NET_WM_ACTION_FULLSCREEN" })
            internAtom (display, name, 0);

        // XInternAtom is a round trip, so the server has them all now.
    }

    void pumpMessages (int milliseconds)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
    }
} // namespace

TEST_P (HostedEditor, OpensAndClosesRepeatedlyWhileAudioRuns)
{
    if (juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isEmpty())
        GTEST_SKIP() << "needs a display; ctest runs this under Xvfb";

    createWindowManagerAtoms();

    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 256;
    constexpr int openings = 30;

    HostedPlugin plugin (GetParam(), sampleRate, blockSize);
    ASSERT_TRUE (plugin.isLoaded()) << plugin.getError();
    ASSERT_TRUE (plugin.prepareStereo (sampleRate, blockSize));
    ASSERT_TRUE (plugin.get().hasEditor());

    plugin.setParameter ("Depth", 50.0f);
    plugin.setParameter ("Rate", 4.0f);

    AudioThread audio (plugin.get(), blockSize);
    juce::Rectangle<int> firstSize;

    for (int i = 0; i < openings; ++i)
    {
        SCOPED_TRACE ("opening " + std::to_string (i + 1));

        std::unique_ptr<juce::AudioProcessorEditor> editor (plugin.get().createEditorIfNeeded());
        ASSERT_NE (editor, nullptr);

        {
            PluginWindow window (*editor);
            pumpMessages (i == 0 ? 300 : 40);

            EXPECT_TRUE (editor->isShowing());
            const auto size = editor->getLocalBounds();
            EXPECT_FALSE (size.isEmpty());

            // Nobody resizes it, so every window opens at the size of the first.
            if (i == 0)
                firstSize = size;
            else
                EXPECT_EQ (size, firstSize);

            // The host's embedding component (the framework's XEmbedComponent)
            // answers a configure event of the plug-in's window with a deferred
            // call on itself that it does not cancel when it is deleted. Let
            // such calls run before the editor goes, as a host's event loop
            // does between a click on "close" and the window's deletion.
            window.setVisible (false);
            pumpMessages (20);
        }

        pumpMessages (10);
        editor.reset();
        EXPECT_EQ (plugin.get().getActiveEditor(), nullptr);
        pumpMessages (10);
    }

    const auto blocksDuringEditors = audio.getBlocks();
    audio.stop();

    EXPECT_GT (blocksDuringEditors, openings) << "the audio thread stalled while editors came and went";
    EXPECT_TRUE (audio.allOutputFinite());

    // The plug-in still answers the host normally afterwards.
    EXPECT_NEAR (plugin.findParameter ("Depth")->getValue(), plugin.normalisedFor ("Depth", 50.0f), 1.0e-6f);
}

TEST (HostedEditorVst3, ReopensAtTheSizeTheHostLeftItAt)
{
    // A host resizing the plug-in's window (its own zoom, or the user dragging
    // the frame), closing it and opening it again later: the plug-in keeps the
    // zoom between editors, so the new view asks for the size the last one had.
    // VST3 only: through the framework's LV2 host and LV2 UI wrapper a host-side
    // resize reaches the plug-in's editor only some of the time (it reopened at
    // the new size in about one run out of four), for reasons not pinned down.
    if (juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isEmpty())
        GTEST_SKIP() << "needs a display; ctest runs this under Xvfb";

    createWindowManagerAtoms();

    HostedPlugin plugin (PluginFormat::vst3, 48000.0, 256);
    ASSERT_TRUE (plugin.isLoaded()) << plugin.getError();
    ASSERT_TRUE (plugin.prepareStereo (48000.0, 256));

    const auto openAndClose = [&] (std::function<void (juce::AudioProcessorEditor&)> whileOpen)
    {
        std::unique_ptr<juce::AudioProcessorEditor> editor (plugin.get().createEditorIfNeeded());
        juce::Rectangle<int> opened;

        if (editor == nullptr)
            return opened;

        {
            PluginWindow window (*editor);
            pumpMessages (300);
            opened = editor->getLocalBounds();
            whileOpen (*editor);
            window.setVisible (false);
            pumpMessages (20);
        }

        pumpMessages (10);
        editor.reset();
        pumpMessages (10);
        return opened;
    };

    const auto first = openAndClose ([] (juce::AudioProcessorEditor& editor)
    {
        editor.setSize (420, 163);
        pumpMessages (200);
        EXPECT_EQ (editor.getLocalBounds(), juce::Rectangle<int> (420, 163));
    });

    ASSERT_EQ (first, juce::Rectangle<int> (366, 142)) << "a new instance's editor opens at its design size";

    EXPECT_EQ (openAndClose ([] (juce::AudioProcessorEditor&) {}), juce::Rectangle<int> (420, 163));
    EXPECT_EQ (openAndClose ([] (juce::AudioProcessorEditor&) {}), juce::Rectangle<int> (420, 163));
}

INSTANTIATE_TEST_SUITE_P (Formats, HostedEditor,
                          ::testing::Values (PluginFormat::vst3, PluginFormat::lv2),
                          [] (const auto& testInfo) { return toString (testInfo.param); });
