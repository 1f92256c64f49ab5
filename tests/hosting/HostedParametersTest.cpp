// What a DAW sees of the built plug-in before it plays a note: the facts it
// lists and the five automatable parameters with their names, defaults,
// ranges and value texts. Hosts may list the parameters in another order than
// the plug-in creates them, so every look-up goes by name.

#include "HostedPlugin.h"

#include <gtest/gtest.h>

#include <map>

namespace
{
    const char* const ownParameterNames[] { "Shape", "Rate", "Depth", "Phase", "Width" };

    class HostedParameters : public ::testing::TestWithParam<PluginFormat>
    {
    protected:
        // These tests only read what the host shows, so one instance per format
        // serves them all (an instance costs two 64 MB delay lines).
        void SetUp() override
        {
            auto& shared = instances[GetParam()];

            if (shared == nullptr)
                shared = std::make_unique<HostedPlugin> (GetParam(), 48000.0, 512);

            plugin = shared.get();
            ASSERT_TRUE (plugin->isLoaded()) << plugin->getError();
        }

        static void TearDownTestSuite() { instances.clear(); }

        juce::AudioProcessorParameter& parameter (const char* name)
        {
            auto* found = plugin->findParameter (name);

            if (found == nullptr)
                throw std::runtime_error (std::string ("no parameter named ") + name);

            return *found;
        }

        HostedPlugin* plugin = nullptr;

    private:
        static inline std::map<PluginFormat, std::unique_ptr<HostedPlugin>> instances;
    };

    struct TextCase
    {
        const char* name;
        float normalised;
        const char* text;
    };

    // The plug-in's own texts, which a VST3 host asks it for.
    const TextCase vst3Texts[] {
        { "Shape", 0.0f, "Sine" },     { "Shape", 1.0f, "Triangle" },
        { "Rate", 0.0f, "0.01 Hz" },   { "Rate", 0.25f, "0.48 Hz" },  { "Rate", 0.5f, "3.76 Hz" },
        { "Rate", 0.75f, "12.7 Hz" },  { "Rate", 1.0f, "30.0 Hz" },
        { "Depth", 0.0f, "0.00 %" },   { "Depth", 0.5f, "50.0 %" },   { "Depth", 0.9996f, "100.0 %" },
        { "Depth", 1.0f, "100 %" },
        { "Phase", 0.25f, "25.0 %" },  { "Phase", 1.0f, "100 %" },
        { "Width", 0.0f, "0.00 %" },   { "Width", 0.7f, "70.0 %" },   { "Width", 1.0f, "100 %" },
    };

    // LV2 has no way to ask a plug-in for a value's text: the host shows the
    // port's real value (in the parameter's own unit, over its own range) and
    // the choice's scale-point labels.
    const TextCase lv2Texts[] {
        { "Shape", 0.0f, "Sine" },   { "Shape", 1.0f, "Triangle" },
        { "Rate", 0.0f, "0.01" },    { "Rate", 1.0f, "30" },
        { "Depth", 0.0f, "0" },      { "Depth", 0.5f, "50" },      { "Depth", 1.0f, "100" },
        { "Phase", 0.0f, "0" },      { "Phase", 1.0f, "100" },
        { "Width", 0.0f, "0" },      { "Width", 1.0f, "100" },
    };
} // namespace

TEST_P (HostedParameters, FactsAsTheHostListsThem)
{
    auto& instance = plugin->get();
    juce::PluginDescription description;
    instance.fillInPluginDescription (description);

    EXPECT_EQ (description.name, "ZK-Undular");
    EXPECT_FALSE (description.isInstrument);
    EXPECT_FALSE (instance.acceptsMidi());
    EXPECT_FALSE (instance.producesMidi());
    EXPECT_EQ (instance.getLatencySamples(), 0);
    EXPECT_EQ (instance.getTailLengthSeconds(), 0.0);
    EXPECT_TRUE (instance.hasEditor());

    ASSERT_TRUE (plugin->prepareStereo (48000.0, 512)) << "two in / two out refused";
    EXPECT_EQ (instance.getMainBusNumInputChannels(), 2);
    EXPECT_EQ (instance.getMainBusNumOutputChannels(), 2);
}

TEST_P (HostedParameters, FiveAutomatableParametersByNameWithTheirDefaults)
{
    // Normalised defaults: Sine, 0.01 Hz, 0 %, 0 %, 100 %.
    const float defaults[] { 0.0f, 0.0f, 0.0f, 0.0f, 1.0f };

    for (size_t i = 0; i < std::size (ownParameterNames); ++i)
    {
        SCOPED_TRACE (ownParameterNames[i]);
        int count = 0;

        for (auto* p : plugin->get().getParameters())
            count += p->getName (1024) == ownParameterNames[i] ? 1 : 0;

        ASSERT_EQ (count, 1);

        auto& p = parameter (ownParameterNames[i]);
        EXPECT_TRUE (p.isAutomatable());
        EXPECT_NEAR (p.getDefaultValue(), defaults[i], 1.0e-6f);
        EXPECT_NEAR (p.getValue(), defaults[i], 1.0e-6f) << "a new instance starts at its defaults";
    }

    // Anything else a host shows comes from the format's wrapper, not from the
    // plug-in: both wrappers add a bypass parameter of their own.
    juce::StringArray others;

    for (auto* p : plugin->get().getParameters())
    {
        const auto name = p->getName (1024);

        if (std::none_of (std::begin (ownParameterNames), std::end (ownParameterNames),
                          [&] (const char* own) { return name == own; }))
            others.add (name);
    }

    EXPECT_EQ (others, juce::StringArray { "Bypass" }) << others.joinIntoString (", ");
}

TEST_P (HostedParameters, ShapeIsATwoItemChoiceAndTheOthersAreContinuous)
{
    auto& shape = parameter ("Shape");
    EXPECT_TRUE (shape.isDiscrete());
    EXPECT_EQ (shape.getNumSteps(), 2);

    for (auto* name : { "Rate", "Depth", "Phase", "Width" })
    {
        SCOPED_TRACE (name);
        EXPECT_FALSE (parameter (name).isDiscrete());
        EXPECT_FALSE (parameter (name).isBoolean());
    }
}

TEST_P (HostedParameters, ValueTextsAsTheHostShowsThem)
{
    const auto cases = GetParam() == PluginFormat::vst3
                           ? std::vector<TextCase> (std::begin (vst3Texts), std::end (vst3Texts))
                           : std::vector<TextCase> (std::begin (lv2Texts), std::end (lv2Texts));

    for (const auto& c : cases)
        EXPECT_EQ (parameter (c.name).getText (c.normalised, 1024), c.text)
            << c.name << " at " << c.normalised;
}

TEST_P (HostedParameters, TypedValuesReachTheirNormalisedPosition)
{
    // A user typing a value into the host's parameter field. The VST3 host asks
    // the plug-in to read the text; the LV2 host reads the real value itself and
    // maps it linearly over the port's range.
    if (GetParam() == PluginFormat::vst3)
    {
        EXPECT_NEAR (parameter ("Rate").getValueForText ("5 Hz"), 0.55002f, 1.0e-5f);
        EXPECT_NEAR (parameter ("Rate").getValueForText ("12.5 Hz"), 0.7468f, 1.0e-4f);
        EXPECT_NEAR (parameter ("Rate").getValueForText ("3.75875"), 0.5f, 1.0e-6f);
        EXPECT_NEAR (parameter ("Depth").getValueForText ("50 %"), 0.5f, 1.0e-6f);
        EXPECT_NEAR (parameter ("Depth").getValueForText ("200"), 1.0f, 1.0e-6f);
        EXPECT_NEAR (parameter ("Width").getValueForText ("-10"), 0.0f, 1.0e-6f);
    }
    else
    {
        EXPECT_NEAR (parameter ("Rate").getValueForText ("15.005"), 0.5f, 1.0e-6f);
        EXPECT_NEAR (parameter ("Depth").getValueForText ("40"), 0.4f, 1.0e-6f);
    }

    EXPECT_EQ (parameter ("Shape").getValueForText ("Triangle"), 1.0f);
    EXPECT_EQ (parameter ("Shape").getValueForText ("Sine"), 0.0f);
}

INSTANTIATE_TEST_SUITE_P (Formats, HostedParameters,
                          ::testing::Values (PluginFormat::vst3, PluginFormat::lv2),
                          [] (const auto& testInfo) { return toString (testInfo.param); });
