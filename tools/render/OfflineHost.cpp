#include "OfflineHost.h"

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();

OfflineHost::OfflineHost (std::unique_ptr<juce::AudioProcessor> processorToHost)
    : processor (std::move (processorToHost))
{
    jassert (processor != nullptr);

    // What the Audio Unit wrapper does right after construction.
    processor->enableAllBuses();
    processor->setPlayConfigDetails (2, 2, 44100.0, 1024);
}

OfflineHost::OfflineHost()
    : OfflineHost (std::unique_ptr<juce::AudioProcessor> (createPluginFilter()))
{
}

void OfflineHost::prepare (double sampleRate, int maximumBlockSize)
{
    processor->setPlayConfigDetails (2, 2, sampleRate, maximumBlockSize);
    processor->prepareToPlay (sampleRate, maximumBlockSize);
    scratch.setSize (2, maximumBlockSize, false, true, false);
}

juce::RangedAudioParameter* OfflineHost::findParameter (const juce::String& id) const
{
    for (auto* p : processor->getParameters())
        if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (p))
            if (ranged->getParameterID() == id)
                return ranged;

    return nullptr;
}

bool OfflineHost::setParameter (const juce::String& id, float realValue)
{
    auto* parameter = findParameter (id);

    if (parameter == nullptr)
        return false;

    parameter->beginChangeGesture();
    parameter->setValueNotifyingHost (parameter->convertTo0to1 (realValue));
    parameter->endChangeGesture();
    return true;
}

void OfflineHost::process (juce::AudioBuffer<float>& audio, int blockSize)
{
    jassert (audio.getNumChannels() == 2 && blockSize > 0);

    const auto total = audio.getNumSamples();

    if (blockSize > scratch.getNumSamples())
        scratch.setSize (2, blockSize, false, true, false);

    for (int start = 0; start < total; start += blockSize)
    {
        const auto length = juce::jmin (blockSize, total - start);

        // The host hands the plug-in a buffer of its own for every block.
        juce::AudioBuffer<float> block (scratch.getArrayOfWritePointers(), 2, length);

        for (int channel = 0; channel < 2; ++channel)
            block.copyFrom (channel, 0, audio, channel, start, length);

        {
            const juce::ScopedLock lock (processor->getCallbackLock());
            processor->processBlock (block, midi);
        }

        for (int channel = 0; channel < 2; ++channel)
            audio.copyFrom (channel, start, block, channel, 0, length);
    }
}
