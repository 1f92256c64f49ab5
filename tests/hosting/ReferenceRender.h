#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

/** Real-unit parameter values, as zk-render takes them on its command line. */
struct RenderSettings
{
    juce::String shape = "sine";
    float rate = 0.01f, depth = 0.0f, phase = 0.0f, width = 100.0f;
    int blockSize = 512;
};

/** A stereo test signal: two tones and a little seeded noise per channel,
    different left and right so the width stage has something to narrow. */
juce::AudioBuffer<float> makeStereoTestSignal (double sampleRate, int numSamples);

/** The in-process processor's output for the same input: the signal is written
    to a 32-bit float WAV, rendered by zk-render (the offline host that drives
    the processor directly) and read back. Returns an empty buffer and sets
    error on failure. */
juce::AudioBuffer<float> renderWithOfflineHost (const juce::AudioBuffer<float>& input,
                                               double sampleRate,
                                               const RenderSettings& settings,
                                               juce::String& error);

/** How a rendered stereo buffer differs from the expected one. */
struct AudioDifference
{
    int mismatches = 0;             // samples whose bits differ
    int firstMismatch = -1;         // the earliest frame with such a sample, or -1
    float largestDifference = 0.0f; // among the mismatches
    int nonFinite = 0;              // NaN or infinite samples of the rendered buffer
};

AudioDifference compareAudio (const juce::AudioBuffer<float>& actual, const juce::AudioBuffer<float>& expected);

/** The mean absolute difference per sample of two stereo buffers of one length:
    how far a plug-in moved its output from its input. */
double meanAbsoluteDifference (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b);

/** This process's own folder under the build's test output, so that test
    processes running side by side never share a file. */
juce::File processOutputFolder();

/** A fresh, empty folder for one test's files in this process's folder. */
juce::File makeTestOutputFolder (const juce::String& name);
