#include "OfflineHost.h"
#include "PluginProcessor.h"

#include <gtest/gtest.h>

TEST (ProcessorFacts, FixedAnswersToTheHost)
{
    ZKUndularAudioProcessor processor;

    EXPECT_EQ (processor.getName(), "ZK-Undular");
    EXPECT_EQ (processor.getTailLengthSeconds(), 0.0);
    EXPECT_FALSE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_FALSE (processor.isMidiEffect());
    EXPECT_TRUE (processor.hasEditor());
    EXPECT_EQ (processor.getNumPrograms(), 1);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_EQ (processor.getProgramName (0), juce::String());
}

TEST (ProcessorFacts, BusesStartInactiveAndTheHostEnablesThem)
{
    ZKUndularAudioProcessor processor;
    EXPECT_EQ (processor.getTotalNumInputChannels(), 0);
    EXPECT_EQ (processor.getTotalNumOutputChannels(), 0);

    processor.enableAllBuses();
    EXPECT_EQ (processor.getTotalNumInputChannels(), 2);
    EXPECT_EQ (processor.getTotalNumOutputChannels(), 2);
}
