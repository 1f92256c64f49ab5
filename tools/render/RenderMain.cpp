// zk-render: renders audio through the plug-in offline, as a host would.

#include "OfflineHost.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <cmath>
#include <iostream>
#include <optional>

namespace
{
    struct Options
    {
        juce::String shape = "sine";
        std::optional<float> rate, depth, phase, width;
        int blockSize = 512;
        double seconds = 4.0;
        double sampleRate = 48000.0;
        juce::File input, output;
        bool help = false;
    };

    const char* usage =
        "usage: zk-render [options] [IN.wav] OUT.wav\n"
        "\n"
        "Renders IN.wav (or, without it, a generated stereo test signal) through\n"
        "ZK-Undular into OUT.wav, 32-bit float at the input's sample rate.\n"
        "\n"
        "options (real units; defaults are the parameters' defaults):\n"
        "  --shape sine|triangle  LFO shape (default sine)\n"
        "  --rate HZ              LFO rate, 0.01 to 30 (default 0.01)\n"
        "  --depth PCT            depth, 0 to 100 (default 0)\n"
        "  --phase PCT            right-channel phase offset, 0 to 100 (default 0)\n"
        "  --width PCT            stereo width, 0 to 100 (default 100)\n"
        "  --block N              host block size, 1 to 65536 (default 512)\n"
        "  --seconds S            length of the generated signal, 0.01 to 600 (default 4)\n"
        "  --sample-rate HZ       rate of the generated signal, 8000 to 768000 (default 48000)\n"
        "  --help                 show this text\n";

    struct UsageError
    {
        juce::String message;
    };

    double parseNumber (const juce::String& option, const juce::String& text, double low, double high)
    {
        const auto trimmed = text.trim();

        if (trimmed.isEmpty() || ! trimmed.containsOnly ("0123456789.-+eE"))
            throw UsageError { option + " needs a number, not \"" + text + "\"" };

        const auto value = trimmed.getDoubleValue();

        if (! std::isfinite (value) || value < low || value > high)
            throw UsageError { option + " must be between " + juce::String (low) + " and " + juce::String (high) };

        return value;
    }

    Options parse (const juce::StringArray& args)
    {
        Options options;
        juce::StringArray files;

        for (int i = 0; i < args.size(); ++i)
        {
            const auto& arg = args[i];

            if (arg == "--help" || arg == "-h")
            {
                options.help = true;
                continue;
            }

            if (! arg.startsWith ("--"))
            {
                files.add (arg);
                continue;
            }

            if (i + 1 >= args.size())
                throw UsageError { arg + " needs a value" };

            const auto value = args[++i];

            if (arg == "--shape")
            {
                if (value != "sine" && value != "triangle")
                    throw UsageError { "--shape must be sine or triangle" };
                options.shape = value;
            }
            else if (arg == "--rate")        options.rate = (float) parseNumber (arg, value, 0.01, 30.0);
            else if (arg == "--depth")       options.depth = (float) parseNumber (arg, value, 0.0, 100.0);
            else if (arg == "--phase")       options.phase = (float) parseNumber (arg, value, 0.0, 100.0);
            else if (arg == "--width")       options.width = (float) parseNumber (arg, value, 0.0, 100.0);
            else if (arg == "--seconds")     options.seconds = parseNumber (arg, value, 0.01, 600.0);
            else if (arg == "--sample-rate") options.sampleRate = parseNumber (arg, value, 8000.0, 768000.0);
            else if (arg == "--block")
            {
                const auto block = parseNumber (arg, value, 1.0, 65536.0);
                if (block != std::floor (block))
                    throw UsageError { "--block must be a whole number" };
                options.blockSize = (int) block;
            }
            else
                throw UsageError { "unknown option " + arg };
        }

        if (options.help)
            return options;

        if (files.size() == 1)
            options.output = juce::File::getCurrentWorkingDirectory().getChildFile (files[0]);
        else if (files.size() == 2)
        {
            options.input = juce::File::getCurrentWorkingDirectory().getChildFile (files[0]);
            options.output = juce::File::getCurrentWorkingDirectory().getChildFile (files[1]);
        }
        else
            throw UsageError { files.isEmpty() ? "no output file given" : "too many file arguments" };

        return options;
    }

    /** A stereo test signal with harmonics, different per channel so both the
        pitch wobble and the width stage can be heard. */
    juce::AudioBuffer<float> makeTestSignal (double sampleRate, double seconds)
    {
        const auto length = (int) std::lround (sampleRate * seconds);
        juce::AudioBuffer<float> signal (2, length);
        const double pi2 = juce::MathConstants<double>::twoPi;

        for (int i = 0; i < length; ++i)
        {
            const auto t = (double) i / sampleRate;
            const auto fade = juce::jmin (1.0, t / 0.02, (seconds - t) / 0.02);
            const auto left = 0.25 * std::sin (pi2 * 220.0 * t) + 0.12 * std::sin (pi2 * 440.0 * t)
                            + 0.06 * std::sin (pi2 * 660.0 * t);
            const auto right = 0.25 * std::sin (pi2 * 277.18 * t) + 0.12 * std::sin (pi2 * 554.37 * t)
                             + 0.06 * std::sin (pi2 * 831.55 * t);
            signal.setSample (0, i, (float) (fade * left));
            signal.setSample (1, i, (float) (fade * right));
        }

        return signal;
    }

    juce::AudioBuffer<float> readInput (const juce::File& file, double& sampleRate)
    {
        if (! file.existsAsFile())
            throw UsageError { "input file not found: " + file.getFullPathName() };

        juce::AudioFormatManager formats;
        formats.registerBasicFormats();
        std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));

        if (reader == nullptr)
            throw UsageError { "cannot read audio from " + file.getFullPathName() };

        if (reader->numChannels < 1 || reader->numChannels > 2)
            throw UsageError { "input has " + juce::String (reader->numChannels) + " channels; only mono or stereo is supported" };

        if (reader->lengthInSamples > (juce::int64) std::numeric_limits<int>::max() / 2)
            throw UsageError { "input file is too long" };

        sampleRate = reader->sampleRate;

        if (! (sampleRate > 0.0))
            throw UsageError { "input file has no valid sample rate" };

        const auto length = (int) reader->lengthInSamples;
        juce::AudioBuffer<float> audio (2, length);
        audio.clear();

        if (! reader->read (&audio, 0, length, 0, true, true))
            throw UsageError { "cannot read audio from " + file.getFullPathName() };

        if (reader->numChannels == 1)
            audio.copyFrom (1, 0, audio, 0, 0, length);

        return audio;
    }

    void writeOutput (const juce::File& file, const juce::AudioBuffer<float>& audio, double sampleRate)
    {
        // Written next to the target and moved into place, so a failure never
        // leaves a half-written file behind.
        const juce::TemporaryFile temp (file);
        {
            auto stream = std::make_unique<juce::FileOutputStream> (temp.getFile());

            if (! stream->openedOk())
                throw UsageError { "cannot write " + file.getFullPathName() };

            juce::WavAudioFormat wav;
            std::unique_ptr<juce::AudioFormatWriter> writer (
                wav.createWriterFor (stream.get(), sampleRate, 2, 32, {}, 0));

            if (writer == nullptr)
                throw UsageError { "cannot write a WAV file at " + juce::String (sampleRate) + " Hz" };

            stream.release(); // the writer owns it now

            if (! writer->writeFromAudioSampleBuffer (audio, 0, audio.getNumSamples()))
                throw UsageError { "cannot write " + file.getFullPathName() };
        }

        if (! temp.overwriteTargetFileWithTemporary())
            throw UsageError { "cannot write " + file.getFullPathName() };
    }

    int run (const juce::StringArray& args)
    {
        const auto options = parse (args);

        if (options.help)
        {
            std::cout << usage;
            return 0;
        }

        double sampleRate = options.sampleRate;
        auto audio = options.input == juce::File()
                         ? makeTestSignal (sampleRate, options.seconds)
                         : readInput (options.input, sampleRate);

        OfflineHost host;
        host.prepare (sampleRate, options.blockSize);
        host.setParameter ("shape", options.shape == "triangle" ? 1.0f : 0.0f);

        if (options.rate)  host.setParameter ("rate", *options.rate);
        if (options.depth) host.setParameter ("depth", *options.depth);
        if (options.phase) host.setParameter ("phase", *options.phase);
        if (options.width) host.setParameter ("width", *options.width);

        host.process (audio, options.blockSize);
        writeOutput (options.output, audio, sampleRate);

        std::cout << options.output.getFullPathName() << "\n";
        return 0;
    }
} // namespace

int main (int argc, char* argv[])
{
    juce::ScopedJuceInitialiser_GUI juce;
    juce::StringArray args;

    for (int i = 1; i < argc; ++i)
        args.add (juce::String::fromUTF8 (argv[i]));

    try
    {
        return run (args);
    }
    catch (const UsageError& error)
    {
        std::cerr << "zk-render: " << error.message << "\n\n" << usage;
        return 2;
    }
}
