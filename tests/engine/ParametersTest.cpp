#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace enginetest;

namespace
{
    class ParametersTest : public ::testing::Test
    {
    protected:
        ParametersTest() : processor (makeEnabledProcessor()) {}

        juce::RangedAudioParameter& p (const char* id) { return parameter (*processor, id); }

        std::unique_ptr<ZKUndularAudioProcessor> processor;
    };

    struct LayoutRow
    {
        const char* id;
        const char* name;
        float start;
        float end;
        float realDefault;
        float normalisedDefault;
    };

    const LayoutRow layoutRows[] = {
        { "shape", "Shape", 0.0f, 1.0f, 0.0f, 0.0f },
        { "rate", "Rate", 0.01f, 30.0f, 0.01f, 0.0f },
        { "depth", "Depth", 0.0f, 100.0f, 0.0f, 0.0f },
        { "phase", "Phase", 0.0f, 100.0f, 0.0f, 0.0f },
        { "width", "Width", 0.0f, 100.0f, 100.0f, 1.0f },
    };

    TEST_F (ParametersTest, FiveParametersInIndexOrderWithTheirNamesRangesAndDefaults)
    {
        const auto& all = processor->getParameters();
        ASSERT_EQ (all.size(), 5);

        for (int index = 0; index < 5; ++index)
        {
            const auto& row = layoutRows[index];
            SCOPED_TRACE (row.id);

            auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (all[index]);
            ASSERT_NE (ranged, nullptr);
            EXPECT_EQ (ranged->getParameterIndex(), index);
            EXPECT_EQ (ranged->getParameterID(), row.id);
            EXPECT_EQ (ranged->getName (100), row.name);
            EXPECT_EQ (ranged->getLabel(), juce::String());
            EXPECT_EQ (ranged->getCategory(), juce::AudioProcessorParameter::genericParameter);
            EXPECT_TRUE (ranged->isAutomatable());

            const auto& range = ranged->getNormalisableRange();
            EXPECT_EQ (range.start, row.start);
            EXPECT_EQ (range.end, row.end);
            EXPECT_EQ (range.skew, 1.0f);
            EXPECT_FALSE (range.symmetricSkew);
            EXPECT_EQ (range.interval, index == 0 ? 1.0f : 0.0f);

            EXPECT_EQ (ranged->getDefaultValue(), row.normalisedDefault);
            EXPECT_EQ (ranged->getValue(), row.normalisedDefault);
            EXPECT_EQ (rawValue (*processor, row.id), row.realDefault);
        }

        // Plain ids, no groups.
        EXPECT_TRUE (processor->getParameterTree().getSubgroups (false).isEmpty());
    }

    TEST_F (ParametersTest, ShapeIsAChoiceOfSineAndTriangle)
    {
        auto* choice = dynamic_cast<juce::AudioParameterChoice*> (&p ("shape"));
        ASSERT_NE (choice, nullptr);
        EXPECT_EQ (choice->choices, juce::StringArray ({ "Sine", "Triangle" }));
        EXPECT_EQ (choice->getIndex(), 0);

        const juce::AudioProcessorParameter* shape = choice;
        EXPECT_TRUE (shape->isDiscrete());
        EXPECT_EQ (shape->getNumSteps(), 2);

        EXPECT_EQ (shape->getText (0.0f, 100), "Sine");
        EXPECT_EQ (shape->getText (1.0f, 100), "Triangle");
        EXPECT_EQ (shape->getCurrentValueAsText(), "Sine");
        EXPECT_EQ (shape->getValueForText ("Triangle"), 1.0f);
        EXPECT_EQ (shape->getValueForText ("Sine"), 0.0f);

        for (const char* id : { "rate", "depth", "phase", "width" })
            EXPECT_NE (dynamic_cast<juce::AudioParameterFloat*> (&p (id)), nullptr) << id;
    }

    TEST_F (ParametersTest, HostIdentifiersDerivedFromTheIdsSortAsRateDepthPhaseShapeWidth)
    {
        // An Audio Unit host lists parameters by the hash of the id (multiplier 31, top bit cleared).
        std::vector<std::pair<uint32_t, juce::String>> byIdentifier;

        for (auto* each : processor->getParameters())
        {
            auto* withId = dynamic_cast<juce::AudioProcessorParameterWithID*> (each);
            ASSERT_NE (withId, nullptr);
            byIdentifier.emplace_back (static_cast<uint32_t> (withId->paramID.hashCode()) & 0x7fffffffu, withId->paramID);
        }

        std::sort (byIdentifier.begin(), byIdentifier.end());
        const std::vector<juce::String> expected { "rate", "depth", "phase", "shape", "width" };
        ASSERT_EQ (byIdentifier.size(), expected.size());

        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ (byIdentifier[i].second, expected[i]) << i;
    }

    //==============================================================================
    struct RatePoint
    {
        float proportion;
        float rate;
        float tolerance; // 0: exact to the bit
    };

    const RatePoint ratePoints[] = {
        { 0.0f, 0.01f, 0.0f },
        { 0.1f, 0.03999f, 5e-7f },
        { 0.25f, 0.4785937f, 5e-7f },
        { 0.5f, 3.75875f, 0.0f },
        { 0.75f, 12.66203f, 5e-6f },
        { 0.9f, 21.87271f, 5e-6f },
        { 1.0f, 30.0f, 0.0f },
    };

    TEST_F (ParametersTest, RateCurveSamplePoints)
    {
        auto& rate = p ("rate");

        for (const auto& point : ratePoints)
        {
            SCOPED_TRACE (point.proportion);
            const auto hz = rate.convertFrom0to1 (point.proportion);

            if (point.tolerance == 0.0f)
                EXPECT_EQ (hz, point.rate);
            else
                EXPECT_NEAR (hz, point.rate, point.tolerance);
        }
    }

    TEST_F (ParametersTest, RateCurveIsASinglePrecisionCubeTimesTheSpanPlusTheStart)
    {
        // Proportions with exact cubes: the result is the float product and sum.
        auto& rate = p ("rate");
        const float span = 30.0f - 0.01f;

        for (const auto& [proportion, cube] : { std::pair { 0.25f, 0.015625f },
                                                std::pair { 0.5f, 0.125f },
                                                std::pair { 0.75f, 0.421875f } })
        {
            const float expected = cube * span + 0.01f;
            EXPECT_EQ (rate.convertFrom0to1 (proportion), expected) << proportion;
        }
    }

    // Inputs where the single-precision power functions give other floats than
    // the alternatives: p * p * p for the cube, and an exponent of 1 / 3.0 (or
    // a cube root) for the inverse. Each expectation is the exact result of the
    // formula on the float inputs, rounded once to float.
    struct RateBits
    {
        float input;
        float expected;
    };

    const RateBits rateFromProportion[] = {
        { 0.85f, 0x1.26d77ep+4f }, // 18.4276104 Hz; p * p * p gives 18.4276085
        { 0.99f, 0x1.d1bf8ep+4f }, // 29.1092663 Hz; p * p * p gives 29.1092682
    };

    const RateBits rateToProportion[] = {
        { 0.5f, 0x1.03d71cp-2f }, // 0.253750265; 1 / 3.0 gives 0.253750294
        { 0.1f, 0x1.2767d0p-3f }, // 0.144240975; 1 / 3.0 gives 0.14424099
        { 1.5f, 0x1.78724ap-2f }, // 0.367623478; 1 / 3.0 gives 0.367623508
    };

    TEST_F (ParametersTest, RateCurveExactBitsWhereTheAlternativesDiffer)
    {
        auto& rate = p ("rate");

        for (const auto& c : rateFromProportion)
        {
            const auto hz = rate.convertFrom0to1 (c.input);
            EXPECT_TRUE (sameBits (hz, c.expected)) << c.input << " -> " << hz;
        }

        for (const auto& c : rateToProportion)
        {
            const auto proportion = rate.convertTo0to1 (c.input);
            EXPECT_TRUE (sameBits (proportion, c.expected)) << c.input << " Hz -> " << proportion;
        }
    }

    TEST_F (ParametersTest, RateCurveInverse)
    {
        auto& rate = p ("rate");

        EXPECT_EQ (rate.convertTo0to1 (3.75875f), 0.5f);
        EXPECT_EQ (rate.convertTo0to1 (rate.convertFrom0to1 (0.5f)), 0.5f);
        EXPECT_EQ (rate.convertTo0to1 (0.01f), 0.0f);
        EXPECT_EQ (rate.convertTo0to1 (30.0f), 1.0f);

        EXPECT_NEAR (rate.convertTo0to1 (1.0f), 0.32079f, 5e-6f);
        EXPECT_NEAR (rate.convertTo0to1 (5.0f), 0.55002f, 5e-6f);
        EXPECT_NEAR (rate.convertTo0to1 (10.0f), 0.69321f, 5e-6f);

        // The exponent is the float nearest 1/3, a little above it.
        EXPECT_EQ (rate.convertTo0to1 (0.125f * (30.0f - 0.01f) + 0.01f), 0.5f);
        EXPECT_NEAR (rate.convertTo0to1 (rate.convertFrom0to1 (0.25f)), 0.25f, 1e-7f);

        // The framework clamps around the curve.
        EXPECT_EQ (rate.convertTo0to1 (0.0f), 0.0f);
        EXPECT_EQ (rate.convertTo0to1 (100.0f), 1.0f);
        EXPECT_EQ (rate.convertFrom0to1 (-1.0f), 0.01f);
        EXPECT_EQ (rate.convertFrom0to1 (2.0f), 30.0f);
    }

    TEST_F (ParametersTest, PercentParametersMapLinearly)
    {
        for (const char* id : { "depth", "phase", "width" })
        {
            SCOPED_TRACE (id);
            auto& percent = p (id);

            for (float proportion : { 0.0f, 0.1f, 0.25f, 0.37f, 0.5f, 0.9996f, 1.0f })
                EXPECT_EQ (percent.convertFrom0to1 (proportion), 100.0f * proportion) << proportion;

            for (float value : { 0.0f, 12.5f, 37.0f, 50.0f, 99.96f, 100.0f })
                EXPECT_EQ (percent.convertTo0to1 (value), value / 100.0f) << value;

            EXPECT_EQ (percent.convertTo0to1 (-10.0f), 0.0f);
            EXPECT_EQ (percent.convertTo0to1 (200.0f), 1.0f);
            EXPECT_EQ (percent.convertFrom0to1 (-0.5f), 0.0f);
            EXPECT_EQ (percent.convertFrom0to1 (1.5f), 100.0f);
        }
    }

    //==============================================================================
    struct TextCase
    {
        const char* id;
        float normalised;
        const char* text;
    };

    const TextCase textCases[] = {
        { "rate", 0.0f, "0.01 Hz" },
        { "rate", 0.25f, "0.48 Hz" },
        { "rate", 0.5f, "3.76 Hz" },
        { "rate", 0.75f, "12.7 Hz" },
        { "rate", 1.0f, "30.0 Hz" },
        { "depth", 0.0f, "0.00 %" },
        { "depth", 0.5f, "50.0 %" },
        { "depth", 0.9996f, "100.0 %" },
        { "depth", 1.0f, "100 %" },
        { "phase", 0.0f, "0.00 %" },
        { "phase", 0.5f, "50.0 %" },
        { "phase", 0.9996f, "100.0 %" },
        { "phase", 1.0f, "100 %" },
        { "width", 0.0f, "0.00 %" },
        { "width", 0.5f, "50.0 %" },
        { "width", 0.9996f, "100.0 %" },
        { "width", 1.0f, "100 %" },
        { "width", 0.05f, "5.00 %" },
    };

    TEST_F (ParametersTest, ValueTextsAtNormalisedValues)
    {
        for (const auto& c : textCases)
            EXPECT_EQ (p (c.id).getText (c.normalised, 1024), c.text) << c.id << " at " << c.normalised;
    }

    TEST_F (ParametersTest, ValueTextsAreNeverShortened)
    {
        auto& rate = p ("rate");
        const auto half = rate.convertTo0to1 (3.75875f);

        for (int maximumLength : { 0, 1, 2, 3, 1024 })
        {
            EXPECT_EQ (rate.getText (half, maximumLength), "3.76 Hz") << maximumLength;
            EXPECT_EQ (p ("width").getText (1.0f, maximumLength), "100 %") << maximumLength;
        }

        EXPECT_EQ (rate.getCurrentValueAsText(), "0.01 Hz");
        EXPECT_EQ (p ("width").getCurrentValueAsText(), "100 %");
    }

    struct ReadCase
    {
        const char* id;
        const char* text;
        float real;
        float tolerance;
    };

    const ReadCase readCases[] = {
        { "rate", "12.5 Hz", 12.5f, 2e-6f },
        { "depth", "50 %", 50.0f, 0.0f },
        { "depth", "-10", 0.0f, 0.0f },
        { "depth", "200", 100.0f, 0.0f },
        { "rate", "0", 0.01f, 0.0f },
        { "rate", "30.0 Hz", 30.0f, 0.0f },
        { "width", "  7.5e1 percent", 75.0f, 0.0f },
        { "phase", "+25", 25.0f, 0.0f },
        { "phase", "1.5k", 1.5f, 0.0f },
        { "rate", "inf", 30.0f, 0.0f },
        { "rate", "-inf", 0.01f, 0.0f },
        { "depth", "Infinity", 100.0f, 0.0f },
    };

    TEST_F (ParametersTest, TextsReadBackThroughTheDefaultReader)
    {
        for (const auto& c : readCases)
        {
            SCOPED_TRACE (std::string (c.id) + " <- " + c.text);
            auto& param = p (c.id);
            const auto normalised = param.getValueForText (c.text);
            EXPECT_GE (normalised, 0.0f);
            EXPECT_LE (normalised, 1.0f);

            const auto real = param.convertFrom0to1 (normalised);

            if (c.tolerance == 0.0f)
                EXPECT_EQ (real, c.real);
            else
                EXPECT_NEAR (real, c.real, c.tolerance);
        }

        EXPECT_NEAR (p ("rate").getValueForText ("12.5 Hz"), 0.7468f, 5e-5f);
    }

    TEST_F (ParametersTest, ATextThatReadsAsNaNLeavesTheParameterUnchanged)
    {
        setReal (*processor, "rate", 5.0f);
        setReal (*processor, "depth", 37.0f);
        setReal (*processor, "phase", 12.0f);
        setReal (*processor, "width", 64.0f);

        for (const char* id : { "rate", "depth", "phase", "width" })
        {
            auto& param = p (id);
            const auto before = param.getValue();
            const auto realBefore = rawValue (*processor, id);

            for (const char* text : { "nan", "NaN", "-nan", "  nan Hz", "+NAN %" })
            {
                SCOPED_TRACE (std::string (id) + " <- " + text);
                const auto normalised = param.getValueForText (text);
                EXPECT_EQ (normalised, before);

                param.setValueNotifyingHost (normalised);
                EXPECT_EQ (param.getValue(), before);
                EXPECT_EQ (rawValue (*processor, id), realBefore);
                EXPECT_TRUE (std::isfinite (rawValue (*processor, id)));
            }
        }
    }

    TEST (ParameterLayout, EveryCallMakesNewParameterObjects)
    {
        ZKUndularAudioProcessor first, second;

        for (int i = 0; i < 5; ++i)
            EXPECT_NE (first.getParameters()[i], second.getParameters()[i]);

        // Changing one instance leaves the other at its default.
        setReal (first, "depth", 80.0f);
        EXPECT_EQ (rawValue (second, "depth"), 0.0f);
    }
} // namespace
