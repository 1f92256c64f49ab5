#include "MyUtility.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
    struct Digit3Case
    {
        float x;
        const char* text;
        const char* why;
    };

    void PrintTo (const Digit3Case& c, std::ostream* os)
    {
        *os << c.why << " (x = " << juce::String (c.x, 9).toStdString() << ")";
    }

    class Digit3Texts : public ::testing::TestWithParam<Digit3Case>
    {
    };

    TEST_P (Digit3Texts, GivesTheExpectedText)
    {
        const auto& c = GetParam();
        EXPECT_EQ (my::digit3 (c.x).toStdString(), std::string (c.text));
    }

    float below (float x) { return std::nextafter (x, 0.0f); }
    float above (float x) { return std::nextafter (x, std::numeric_limits<float>::infinity()); }

    const Digit3Case workedExamples[] = {
        { 0.0f, "0.00", "zero" },
        { -0.004f, "0.00", "tiny negative, no sign" },
        { 0.005f, "0.00", "0.005f lies below the double 0.005" },
        { 0.0051f, "0.01", "two decimals" },
        { -0.0051f, "-0.01", "two decimals, negative" },
        { 0.5f, "0.50", "half" },
        { 3.75875f, "3.76", "rate at the middle of the dial" },
        { 9.99f, "9.99", "top of the first decimal band" },
        { 9.996f, "10.00", "rounding carries but the band stays" },
        { 10.0f, "10.0", "one decimal" },
        { 12.34f, "12.3", "one decimal" },
        { -12.34f, "-12.3", "one decimal, negative" },
        { 29.99f, "30.0", "one decimal, rounding" },
        { 99.96f, "100.0", "rounding carries but the band stays" },
        { 100.0f, "100", "whole numbers" },
        { 100.9f, "100", "floor, not nearest" },
        { 250.5f, "250", "floor" },
        { 999.99f, "999", "floor below a thousand" },
        { -100.2f, "-101", "floor of a negative number moves away from zero" },
        { -999.5f, "-1000", "floor of a negative number" },
        { 1000.0f, "1.00k", "thousands with two decimals" },
        { 1500.0f, "1.50k", "thousands" },
        { -1500.0f, "-1.50k", "thousands, negative" },
        { 9999.0f, "10.00k", "rounding carries but the band stays" },
        { 10000.0f, "10.0k", "ten thousands with one decimal" },
        { 123456.0f, "123.5k", "large value" },
        { -20000.0f, "-20.0k", "large negative value" },
        { std::numeric_limits<float>::infinity(), "infk", "infinity lands in the last band" },
        { -std::numeric_limits<float>::infinity(), "-infk", "negative infinity lands in the last band" },
        { std::numeric_limits<float>::quiet_NaN(), "nank", "NaN fails every test" },
    };

    INSTANTIATE_TEST_SUITE_P (WorkedExamples, Digit3Texts, ::testing::ValuesIn (workedExamples));

    // Every band test is strict: the boundary itself belongs to the next band.
    const Digit3Case bandBoundaries[] = {
        { -0.0f, "0.00", "negative zero" },
        { std::numeric_limits<float>::denorm_min(), "0.00", "denormal" },
        { above (0.005f), "0.01", "first float above the double 0.005" },
        { -above (0.005f), "-0.01", "first float above the double 0.005, negative" },
        { below (10.0f), "10.00", "just below 10" },
        { -below (10.0f), "-10.00", "just above -10" },
        { -10.0f, "-10.0", "-10 takes one decimal" },
        { below (100.0f), "100.0", "just below 100" },
        { -below (100.0f), "-100.0", "just above -100" },
        { -100.0f, "-100", "-100 is a whole number" },
        { below (1000.0f), "999", "just below 1000" },
        { -below (1000.0f), "-1000", "just above -1000, floored" },
        { -1000.0f, "-1.00k", "-1000 takes the k band" },
        { below (10000.0f), "10.00k", "just below 10000" },
        { -below (10000.0f), "-10.00k", "just above -10000" },
        { -10000.0f, "-10.0k", "-10000 takes one decimal" },
        { 0.0099999998f, "0.01", "the rate's lowest value is not below 0.005" },
    };

    INSTANTIATE_TEST_SUITE_P (BandBoundaries, Digit3Texts, ::testing::ValuesIn (bandBoundaries));

    TEST (Digit3, NegativeNaNIsTheFormattersTextThenK)
    {
        const auto text = my::digit3 (-std::numeric_limits<float>::quiet_NaN());
        EXPECT_TRUE (text.endsWith ("nank")) << text;
    }
} // namespace
