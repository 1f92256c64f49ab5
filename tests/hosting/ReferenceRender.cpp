#include "ReferenceRender.h"

#include "HostedPlugin.h"

#include <cmath>
#include <cstring>
#include <unistd.h>

juce::AudioBuffer<float> makeStereoTestSignal (double sampleRate, int numSamples)
{
    juce::AudioBuffer<float> signal (2, numSamples);
    juce::Random noise (0x5eed);
    const auto twoPi = juce::MathConstants<double>::twoPi;

    for (int i = 0; i < numSamples; ++i)
    {
        const auto t = (double) i / sampleRate;
        const auto left = 0.3 * std::sin (twoPi * 330.0 * t) + 0.1 * std::sin (twoPi * 1234.5 * t);
        const auto right = 0.3 * std::sin (twoPi * 207.7 * t) + 0.1 * std::sin (twoPi * 2500.0 * t);
        signal.setSample (0, i, (float) left + 0.02f * (noise.nextFloat() - 0.5f));
        signal.setSample (1, i, (float) right + 0.02f * (noise.nextFloat() - 0.5f));
    }

    return signal;
}

AudioDifference compareAudio (const juce::AudioBuffer<float>& actual, const juce::AudioBuffer<float>& expected)
{
    AudioDifference difference;

    for (int channel = 0; channel < 2; ++channel)
    {
        for (int i = 0; i < actual.getNumSamples(); ++i)
        {
            const auto a = actual.getSample (channel, i);
            const auto e = expected.getSample (channel, i);
            difference.nonFinite += std::isfinite (a) ? 0 : 1;

            if (std::memcmp (&a, &e, sizeof (float)) != 0)
            {
                ++difference.mismatches;
                difference.firstMismatch = difference.firstMismatch < 0 ? i : juce::jmin (difference.firstMismatch, i);
                difference.largestDifference = juce::jmax (difference.largestDifference, std::abs (a - e));
            }
        }
    }

    return difference;
}

double meanAbsoluteDifference (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    double sum = 0.0;

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < a.getNumSamples(); ++i)
            sum += std::abs (a.getSample (channel, i) - b.getSample (channel, i));

    return sum / (2.0 * a.getNumSamples());
}

juce::File processOutputFolder()
{
    auto root = juce::File (requiredEnvironment ("ZK_HOSTING_OUTPUT"));

    if (root == juce::File())
        root = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("zk-hosting");

    // ctest runs several of these processes at once: none may touch another's files.
    return root.getChildFile ("process-" + juce::String ((int) getpid()));
}

juce::File makeTestOutputFolder (const juce::String& name)
{
    auto folder = processOutputFolder().getChildFile (name);
    folder.deleteRecursively();
    folder.createDirectory();
    return folder;
}

namespace
{
    bool writeFloatWav (const juce::File& file, const juce::AudioBuffer<float>& audio, double sampleRate)
    {
        file.deleteFile();
        auto stream = std::make_unique<juce::FileOutputStream> (file);

        if (! stream->openedOk())
            return false;

        juce::WavAudioFormat wav;
        std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), sampleRate, 2, 32, {}, 0));

        if (writer == nullptr)
            return false;

        stream.release(); // owned by the writer now
        return writer->writeFromAudioSampleBuffer (audio, 0, audio.getNumSamples());
    }

    juce::AudioBuffer<float> readWav (const juce::File& file)
    {
        juce::WavAudioFormat wav;
        std::unique_ptr<juce::AudioFormatReader> reader (wav.createReaderFor (file.createInputStream().release(), true));

        if (reader == nullptr || reader->numChannels != 2)
            return {};

        juce::AudioBuffer<float> audio (2, (int) reader->lengthInSamples);
        reader->read (&audio, 0, audio.getNumSamples(), 0, true, true);
        return audio;
    }

    juce::String number (float value)
    {
        return juce::String (value, 9);
    }
} // namespace

juce::AudioBuffer<float> renderWithOfflineHost (const juce::AudioBuffer<float>& input,
                                               double sampleRate,
                                               const RenderSettings& settings,
                                               juce::String& error)
{
    const auto renderer = juce::File (requiredEnvironment ("ZK_RENDER"));

    if (! renderer.existsAsFile())
    {
        error = "zk-render not found (run the test through ctest)";
        return {};
    }

    const auto folder = makeTestOutputFolder ("reference");
    const auto in = folder.getChildFile ("in.wav");
    const auto out = folder.getChildFile ("out.wav");

    if (! writeFloatWav (in, input, sampleRate))
    {
        error = "cannot write " + in.getFullPathName();
        return {};
    }

    const juce::StringArray command { renderer.getFullPathName(),
                                      "--shape", settings.shape,
                                      "--rate", number (settings.rate),
                                      "--depth", number (settings.depth),
                                      "--phase", number (settings.phase),
                                      "--width", number (settings.width),
                                      "--block", juce::String (settings.blockSize),
                                      in.getFullPathName(),
                                      out.getFullPathName() };

    juce::ChildProcess process;

    if (! process.start (command, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
    {
        error = "cannot start " + renderer.getFullPathName();
        return {};
    }

    if (! process.waitForProcessToFinish (60000))
    {
        process.kill();
        error = "zk-render did not finish within 60 s";
        return {};
    }

    const auto output = process.readAllProcessOutput();

    if (process.getExitCode() != 0)
    {
        error = "zk-render failed: " + output;
        return {};
    }

    auto rendered = readWav (out);

    if (rendered.getNumSamples() != input.getNumSamples())
        error = "zk-render wrote " + juce::String (rendered.getNumSamples()) + " frames instead of "
              + juce::String (input.getNumSamples());

    return rendered;
}
