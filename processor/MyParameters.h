#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace my
{

/** The plug-in's five automatable parameters. */
class Parameters final
{
public:
    Parameters() = delete;

    /** A new set of the five parameters, in index order:
        "shape", "rate", "depth", "phase", "width". */
    static juce::AudioProcessorValueTreeState::ParameterLayout makeParams();
};

} // namespace my
