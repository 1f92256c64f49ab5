#include "PluginProcessor.h"

#include "MyStateReader.h"
#include "PluginEditor.h"

#include <cmath>

namespace
{
    // The Audio Unit wrapper switches every bus on right after construction.
    // The VST3 and LV2 wrappers instead tell the host each bus's default state
    // (VST3 kDefaultActive, LV2 lv2:connectionOptional audio ports); a host that
    // keeps those defaults would run an inactive bus with no channels, or leave
    // the LV2's audio ports unconnected, which the LV2 wrapper does not survive.
    // So under those two wrappers both buses are declared active.
    bool busesActiveByDefault()
    {
        const auto wrapper = juce::PluginHostType::getPluginLoadedAs();
        return wrapper == juce::AudioProcessor::wrapperType_VST3 || wrapper == juce::AudioProcessor::wrapperType_LV2;
    }
} // namespace

ZKUndularAudioProcessor::ZKUndularAudioProcessor()
    : juce::AudioProcessor (BusesProperties()
                                .withInput ("Input", juce::AudioChannelSet::stereo(), busesActiveByDefault())
                                .withOutput ("Output", juce::AudioChannelSet::stereo(), busesActiveByDefault())),
      parameters (*this, nullptr, "Parameters", my::Parameters::makeParams())
{
}

ZKUndularAudioProcessor::~ZKUndularAudioProcessor() = default;

const juce::String ZKUndularAudioProcessor::getName() const
{
    return "ZK-Undular";
}

void ZKUndularAudioProcessor::prepareToPlay (double sampleRate, int)
{
    juce::dsp::ProcessSpec spec {};
    spec.sampleRate = sampleRate;

    vibrato.prepare (spec);
    stereoEnhancer.prepare (spec);
}

void ZKUndularAudioProcessor::releaseResources()
{
}

bool ZKUndularAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    // The engine always works on two channels in and two out.
    return layouts.getMainInputChannelSet() == juce::AudioChannelSet::stereo()
        && layouts.getMainOutputChannelSet() == juce::AudioChannelSet::stereo();
}

void ZKUndularAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;

    const auto numChannels = buffer.getNumChannels();

    for (auto channel = getTotalNumInputChannels(); channel < getTotalNumOutputChannels(); ++channel)
        if (channel < numChannels)
            buffer.clear (channel, 0, buffer.getNumSamples());

    const float shape = parameters.getRawParameterValue ("shape")->load();
    const float rate = parameters.getRawParameterValue ("rate")->load();
    const float depth = parameters.getRawParameterValue ("depth")->load();
    const float phase = parameters.getRawParameterValue ("phase")->load();
    const float width = parameters.getRawParameterValue ("width")->load();

    if (shape <= 0.5f)
        vibrato.shapeCode = 1;
    else if (shape <= 1.0f)
        vibrato.shapeCode = 2;

    vibrato.rate = rate;
    vibrato.depth = depth * 0.01f;
    vibrato.phaseOffset = phase * 0.01f;
    stereoEnhancer.width = width * 0.01f;

    // Both stages read and write channels 0 and 1; with fewer the buffer passes
    // through untouched (the stages still take their new targets).
    juce::dsp::AudioBlock<float> block (buffer);
    vibrato.processAudioBlock (block);
    stereoEnhancer.processAudioBlock (block);
}

double ZKUndularAudioProcessor::getTailLengthSeconds() const
{
    return 0.0;
}

bool ZKUndularAudioProcessor::acceptsMidi() const
{
    return false;
}

bool ZKUndularAudioProcessor::producesMidi() const
{
    return false;
}

bool ZKUndularAudioProcessor::isMidiEffect() const
{
    return false;
}

juce::AudioProcessorEditor* ZKUndularAudioProcessor::createEditor()
{
    return new ZKUndularAudioProcessorEditor (*this);
}

bool ZKUndularAudioProcessor::hasEditor() const
{
    return true;
}

int ZKUndularAudioProcessor::getNumPrograms()
{
    return 1;
}

int ZKUndularAudioProcessor::getCurrentProgram()
{
    return 0;
}

void ZKUndularAudioProcessor::setCurrentProgram (int)
{
}

const juce::String ZKUndularAudioProcessor::getProgramName (int)
{
    return {};
}

void ZKUndularAudioProcessor::changeProgramName (int, const juce::String&)
{
}

void ZKUndularAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    // copyState brings the tree up to date under its lock first, so a change
    // made just before the save is never lost, from whichever thread we are called.
    juce::MemoryOutputStream stream (destData, true);
    parameters.copyState().writeToStream (stream);
}

namespace
{
    /** Readies a restored tree for the parameter tree. Only a string id names a
        parameter (the plug-in writes its ids as strings); the framework looks
        every child of the root up by its id's text, and the text of a NaN number
        is undefined behaviour, so an id of any other type is taken out: the child
        names no parameter either way and keeps everything else it holds. A
        parameter's stored value that is NaN or infinite would pass its clamps;
        it is taken out too, so the parameter takes its default. */
    void prepareRestoredTree (juce::ValueTree& tree, const juce::AudioProcessorValueTreeState& state)
    {
        static const juce::Identifier idProperty ("id");
        static const juce::Identifier valueProperty ("value");

        for (auto child : tree)
        {
            const auto* id = child.getPropertyPointer (idProperty);

            if (id == nullptr)
                continue;

            if (! id->isString())
            {
                child.removeProperty (idProperty, nullptr);
                continue;
            }

            if (state.getParameter (id->toString()) == nullptr)
                continue;

            if (const auto* value = child.getPropertyPointer (valueProperty))
                if (! std::isfinite (static_cast<double> (*value)))
                    child.removeProperty (valueProperty, nullptr);
        }
    }
} // namespace

void ZKUndularAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= 0)
        return;

    auto tree = my::readStateTree (data, static_cast<size_t> (sizeInBytes));

    if (! tree.isValid())
        return;

    prepareRestoredTree (tree, parameters);
    parameters.replaceState (tree);
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new ZKUndularAudioProcessor();
}
