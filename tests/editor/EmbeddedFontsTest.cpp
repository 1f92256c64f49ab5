#include "BinaryData.h"

#include <gtest/gtest.h>
#include <juce_graphics/juce_graphics.h>

#include <cstring>

struct EmbeddedFontCase
{
    const char* data;
    int size;
    const char* file;
    const char* family;
    const char* style;
};

class EmbeddedFont : public ::testing::TestWithParam<EmbeddedFontCase> {};

TEST_P (EmbeddedFont, ArrayHoldsItsFontFileWhole)
{
    const auto& font = GetParam();
    juce::MemoryBlock contents;
    ASSERT_TRUE (juce::File (ZK_RESOURCES_DIR).getChildFile (font.file).loadFileAsData (contents));

    ASSERT_EQ ((size_t) font.size, contents.getSize());
    EXPECT_EQ (std::memcmp (font.data, contents.getData(), contents.getSize()), 0);

    const auto typeface = juce::Typeface::createSystemTypefaceFor (font.data, (size_t) font.size);
    ASSERT_NE (typeface, nullptr);
    EXPECT_EQ (typeface->getName(), font.family);
    EXPECT_EQ (typeface->getStyle(), font.style);
}

INSTANTIATE_TEST_SUITE_P (
    BodyAndTitle, EmbeddedFont,
    ::testing::Values (EmbeddedFontCase { BinaryData::temp_binary_data_1, BinaryData::temp_binary_data_1Size,
                                          "LiberationSans-Bold.ttf", "Liberation Sans", "Bold" },
                       EmbeddedFontCase { BinaryData::temp_binary_data_2, BinaryData::temp_binary_data_2Size,
                                          "Engadget.ttf", "Engadget", "Medium" }));
