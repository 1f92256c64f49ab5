// The host tests' main: one JUCE initialisation for the whole binary (hosted
// plug-ins post to the message thread, which is this one), and a HOME of the
// tests' own. The framework's LV2 host always scans ~/.lv2 before anything
// else, so a user's installed copy would shadow the build's bundle; in the
// tests' HOME, ~/.lv2 holds only a link to the bundle just built.

#include "HostedPlugin.h"
#include "ReferenceRender.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{
    juce::File testHome;

    bool makeTestHome (juce::String& problem)
    {
        const auto bundle = juce::File (requiredEnvironment ("ZK_LV2_BUNDLE"));

        if (! bundle.isDirectory() || requiredEnvironment ("ZK_HOSTING_OUTPUT").isEmpty())
        {
            problem = "ZK_LV2_BUNDLE / ZK_HOSTING_OUTPUT are not set or the LV2 bundle is missing; "
                      "run the tests through ctest";
            return false;
        }

        const auto home = processOutputFolder().getChildFile ("home");
        home.deleteRecursively();
        const auto lv2 = home.getChildFile (".lv2");

        if (! lv2.createDirectory() || ! bundle.createSymbolicLink (lv2.getChildFile (bundle.getFileName()), true))
        {
            problem = "cannot set up " + lv2.getFullPathName();
            return false;
        }

        testHome = home;
        setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
        unsetenv ("LV2_PATH");
        return true;
    }

    class HostEnvironment final : public ::testing::Environment
    {
    public:
        void SetUp() override { juce = std::make_unique<juce::ScopedJuceInitialiser_GUI>(); }

        void TearDown() override
        {
            juce.reset();
            testHome.deleteRecursively (false); // the link only, never the bundle behind it

            // A failed run keeps its files for a look; a passing one leaves nothing behind.
            if (::testing::UnitTest::GetInstance()->Passed())
                processOutputFolder().deleteRecursively (false);
        }

    private:
        std::unique_ptr<juce::ScopedJuceInitialiser_GUI> juce;
    };
} // namespace

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);

    juce::String problem;

    if (! ::testing::GTEST_FLAG (list_tests) && ! makeTestHome (problem))
    {
        std::cerr << "zk-host-tests: " << problem << "\n";
        return 1;
    }

    ::testing::AddGlobalTestEnvironment (new HostEnvironment());
    return RUN_ALL_TESTS();
}
