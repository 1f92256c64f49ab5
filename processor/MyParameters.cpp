#include "MyParameters.h"

#include "MyUtility.h"

#include <cmath>

namespace my
{

namespace
{
    // The rate follows a cubic curve; the inverse uses the float nearest 1/3.
    float rateFrom0To1 (float s, float e, float p)
    {
        return std::pow (p, 3.0f) * (e - s) + s;
    }

    float rateTo0To1 (float s, float e, float v)
    {
        return std::pow ((v - s) / (e - s), 0.33333334f);
    }

    float linearFrom0To1 (float s, float e, float p)
    {
        return (e - s) * p + s;
    }

    float linearTo0To1 (float s, float e, float v)
    {
        return (v - s) / (e - s);
    }

    juce::String rateText (float value, int)
    {
        return digit3 (value) + " Hz";
    }

    juce::String percentText (float value, int)
    {
        return digit3 (value) + " %";
    }

    /** A float parameter whose text reader refuses NaN: such a text maps to the
        current value, so a host that sets it leaves the parameter unchanged.
        Every other text reads exactly as with the framework's default reader. */
    class FloatParameter final : public juce::AudioParameterFloat
    {
    public:
        using juce::AudioParameterFloat::AudioParameterFloat;

        float getValueForText (const juce::String& text) const override
        {
            const auto parsed = text.getFloatValue();

            if (std::isnan (parsed))
                return static_cast<const juce::AudioProcessorParameter&> (*this).getValue();

            return convertTo0to1 (parsed);
        }
    };

    std::unique_ptr<juce::AudioParameterFloat> makeFloat (const char* id,
                                                          const char* name,
                                                          juce::NormalisableRange<float> range,
                                                          float defaultValue,
                                                          juce::String (*toText) (float, int))
    {
        return std::make_unique<FloatParameter> (
            juce::ParameterID { id },
            name,
            std::move (range),
            defaultValue,
            juce::AudioParameterFloatAttributes()
                .withLabel ({})
                .withCategory (juce::AudioProcessorParameter::genericParameter)
                .withStringFromValueFunction (toText));
    }

    juce::NormalisableRange<float> percentRange()
    {
        return { 0.0f, 100.0f, linearFrom0To1, linearTo0To1, {} };
    }
} // namespace

juce::AudioProcessorValueTreeState::ParameterLayout Parameters::makeParams()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;

    const juce::StringArray shapes { "Sine", "Triangle" };
    layout.add (std::make_unique<juce::AudioParameterChoice> (juce::ParameterID { "shape" }, "Shape", shapes, 0,
                                                              juce::AudioParameterChoiceAttributes().withLabel ({})));

    layout.add (makeFloat ("rate", "Rate", { 0.01f, 30.0f, rateFrom0To1, rateTo0To1, {} }, 0.01f, rateText));
    layout.add (makeFloat ("depth", "Depth", percentRange(), 0.0f, percentText));
    layout.add (makeFloat ("phase", "Phase", percentRange(), 0.0f, percentText));
    layout.add (makeFloat ("width", "Width", percentRange(), 100.0f, percentText));

    return layout;
}

} // namespace my
