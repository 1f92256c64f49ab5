#pragma once

#include "PluginProcessor.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace enginetest
{
    inline const char* const parameterIds[] = { "shape", "rate", "depth", "phase", "width" };

    /** The processor as a wrapper leaves it right after construction: both buses on,
        two channels in and out. */
    inline std::unique_ptr<ZKUndularAudioProcessor> makeEnabledProcessor()
    {
        auto processor = std::make_unique<ZKUndularAudioProcessor>();
        processor->enableAllBuses();
        processor->setPlayConfigDetails (2, 2, 44100.0, 1024);
        return processor;
    }

    inline juce::RangedAudioParameter& parameter (ZKUndularAudioProcessor& processor, const char* id)
    {
        auto* p = processor.parameters.getParameter (id);
        jassert (p != nullptr);
        return *p;
    }

    /** Sets a parameter from a value in its own unit, the way a host does. */
    inline void setReal (ZKUndularAudioProcessor& processor, const char* id, float realValue)
    {
        auto& p = parameter (processor, id);
        p.setValueNotifyingHost (p.convertTo0to1 (realValue));
    }

    inline float rawValue (ZKUndularAudioProcessor& processor, const char* id)
    {
        return processor.parameters.getRawParameterValue (id)->load();
    }

    /** A reproducible stereo signal: two sines and some noise, different per channel. */
    inline juce::AudioBuffer<float> makeTestSignal (int numSamples, double sampleRate, uint32_t seed = 12345u)
    {
        juce::AudioBuffer<float> audio (2, numSamples);
        auto state = seed;

        for (int i = 0; i < numSamples; ++i)
        {
            state = state * 1664525u + 1013904223u;
            const auto noise = (static_cast<float> (state >> 8) / 16777216.0f - 0.5f) * 0.2f;
            const auto t = static_cast<double> (i) / sampleRate;
            audio.setSample (0, i, static_cast<float> (0.5 * std::sin (2.0 * juce::MathConstants<double>::pi * 441.0 * t)) + noise);
            audio.setSample (1, i, static_cast<float> (0.4 * std::sin (2.0 * juce::MathConstants<double>::pi * 1234.5 * t + 0.3)) - noise);
        }

        return audio;
    }

    inline bool sameBits (float a, float b)
    {
        return std::memcmp (&a, &b, sizeof (float)) == 0;
    }
} // namespace enginetest
