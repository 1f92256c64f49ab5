#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>
#include <string>

/** The two formats whose built bundles the host tests load. */
enum class PluginFormat
{
    vst3,
    lv2
};

std::string toString (PluginFormat format);

/** Where the build put the bundles and the renderer; set by ctest. */
juce::String requiredEnvironment (const char* name);

/** A built plug-in loaded through the framework's own host code, as a DAW
    loads it: the VST3 from its bundle path, the LV2 by its URI. The format
    object lives as long as the instance. */
class HostedPlugin final
{
public:
    HostedPlugin (PluginFormat format, double sampleRate, int blockSize);
    ~HostedPlugin();

    bool isLoaded() const noexcept { return instance != nullptr; }
    const juce::String& getError() const noexcept { return error; }

    juce::AudioPluginInstance& get() noexcept { return *instance; }
    PluginFormat getFormat() const noexcept { return format; }

    /** What a DAW does before playback: switch the main buses on in stereo and
        prepare. Returns false if the plug-in refuses two in / two out. */
    bool prepareStereo (double sampleRate, int blockSize);

    /** The host-side parameter with this display name, or nullptr. */
    juce::AudioProcessorParameter* findParameter (const juce::String& name) const;

    /** The normalised value a host sends so the plug-in ends up at realValue
        (Hz, %, choice index) exactly as if it had been set in real units.
        VST3 hosts ask the plug-in (its text reader); the LV2 host maps the
        port's real range linearly, so the value that lands exactly on
        realValue is searched for. */
    float normalisedFor (const juce::String& name, float realValue) const;

    /** Sets a parameter in real units as a host's automation does (gesture,
        normalised value). */
    void setParameter (const juce::String& name, float realValue);

    /** Processes the whole buffer in place, in host blocks of blockSize, each in
        a buffer of its own as hosts do. */
    void process (juce::AudioBuffer<float>& audio, int blockSize);

    /** One block of silence, e.g. so that a hosted LV2 takes up a restored state. */
    void processSilentBlock (int numSamples);

private:
    PluginFormat format;
    std::unique_ptr<juce::AudioPluginFormat> pluginFormat;
    std::unique_ptr<juce::AudioPluginInstance> instance;
    juce::String error;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HostedPlugin)
};
