#include "HostedPlugin.h"

#include <cmath>

std::string toString (PluginFormat format)
{
    return format == PluginFormat::vst3 ? "VST3" : "LV2";
}

juce::String requiredEnvironment (const char* name)
{
    return juce::SystemStats::getEnvironmentVariable (name, {});
}

HostedPlugin::HostedPlugin (PluginFormat formatToLoad, double sampleRate, int blockSize)
    : format (formatToLoad)
{
    // The VST3 is loaded from the bundle path; the LV2 host finds plug-ins by URI
    // in its search path (the tests' own ~/.lv2, which links the build's bundle).
    const auto identifier = format == PluginFormat::vst3 ? requiredEnvironment ("ZK_VST3_BUNDLE")
                                                          : requiredEnvironment ("ZK_LV2_URI");

    if (identifier.isEmpty())
    {
        error = "the bundle location is not set (run the test through ctest)";
        return;
    }

    if (format == PluginFormat::vst3)
        pluginFormat = std::make_unique<juce::VST3PluginFormat>();
    else
        pluginFormat = std::make_unique<juce::LV2PluginFormat>();

    juce::OwnedArray<juce::PluginDescription> types;
    pluginFormat->findAllTypesForFile (types, identifier);

    if (types.size() != 1)
    {
        error = "expected one plug-in at " + identifier + ", found " + juce::String (types.size());
        return;
    }

    instance = pluginFormat->createInstanceFromDescription (*types[0], sampleRate, blockSize, error);

    if (instance == nullptr && error.isEmpty())
        error = "the " + juce::String (toString (format)) + " host could not create an instance";
}

HostedPlugin::~HostedPlugin()
{
    if (instance != nullptr)
        instance->releaseResources();

    instance.reset();
}

bool HostedPlugin::prepareStereo (double sampleRate, int blockSize)
{
    juce::AudioProcessor::BusesLayout stereo;
    stereo.inputBuses.add (juce::AudioChannelSet::stereo());
    stereo.outputBuses.add (juce::AudioChannelSet::stereo());

    if (! instance->setBusesLayout (stereo))
        return false;

    instance->setRateAndBufferSizeDetails (sampleRate, blockSize);
    instance->prepareToPlay (sampleRate, blockSize);

    return instance->getTotalNumInputChannels() == 2 && instance->getTotalNumOutputChannels() == 2;
}

juce::AudioProcessorParameter* HostedPlugin::findParameter (const juce::String& name) const
{
    for (auto* parameter : instance->getParameters())
        if (parameter->getName (1024) == name)
            return parameter;

    return nullptr;
}

float HostedPlugin::normalisedFor (const juce::String& name, float realValue) const
{
    auto* parameter = findParameter (name);
    jassert (parameter != nullptr);

    if (parameter->isDiscrete())
        return realValue / (float) (parameter->getNumSteps() - 1);

    if (format == PluginFormat::vst3)
        return parameter->getValueForText (juce::String (realValue, 9));

    // The LV2 host keeps real port values and maps them linearly onto 0..1 over
    // the port's range, which it shows as the texts at 0 and 1.
    const juce::NormalisableRange<float> portRange ((float) parameter->getText (0.0f, 64).getDoubleValue(),
                                                    (float) parameter->getText (1.0f, 64).getDoubleValue());
    auto candidate = portRange.convertTo0to1 (realValue);

    for (int step = 0; step < 64; ++step)
    {
        const auto mapped = portRange.convertFrom0to1 (candidate);

        if (mapped == realValue)
            return candidate;

        candidate = std::nextafter (candidate, mapped < realValue ? 2.0f : -1.0f);
    }

    jassertfalse; // no normalised value lands exactly on realValue
    return portRange.convertTo0to1 (realValue);
}

void HostedPlugin::setParameter (const juce::String& name, float realValue)
{
    auto* parameter = findParameter (name);
    jassert (parameter != nullptr);

    parameter->beginChangeGesture();
    parameter->setValueNotifyingHost (normalisedFor (name, realValue));
    parameter->endChangeGesture();
}

void HostedPlugin::process (juce::AudioBuffer<float>& audio, int blockSize)
{
    jassert (audio.getNumChannels() == 2);

    juce::MidiBuffer midi;

    for (int start = 0; start < audio.getNumSamples(); start += blockSize)
    {
        const auto length = juce::jmin (blockSize, audio.getNumSamples() - start);
        juce::AudioBuffer<float> block (2, length);

        for (int channel = 0; channel < 2; ++channel)
            block.copyFrom (channel, 0, audio, channel, start, length);

        instance->processBlock (block, midi);
        midi.clear();

        for (int channel = 0; channel < 2; ++channel)
            audio.copyFrom (channel, start, block, channel, 0, length);
    }
}

void HostedPlugin::processSilentBlock (int numSamples)
{
    juce::AudioBuffer<float> silence (2, numSamples);
    silence.clear();
    process (silence, numSamples);
}
