#include "MyParameters.h"

#include "MyUtility.h"

#include <cmath>
#include <functional>

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

    /** The range, except that a NaN proportion converts to the value the
        parameter holds. Hosts do send NaN, the framework's clamps let it
        through, and its setValue turns the proportion into the new value
        through this range: so setValue keeps the value it had. And since
        setValueNotifyingHost then hands the same NaN to every listener, a
        listener that converts what it was told (the editor's attachments)
        sees the held value too, instead of a NaN it would send straight back.
        A NaN in real units stays NaN on its way to a proportion (no rounding
        to an item of the choice), so it meets the same refusal. */
    juce::NormalisableRange<float> holdingValueOnNaN (const juce::NormalisableRange<float>& range,
                                                      std::function<float()> heldValue)
    {
        juce::NormalisableRange<float> holding {
            range.start,
            range.end,
            [range, heldValue] (float, float, float proportion)
            {
                return std::isnan (proportion) ? heldValue() : range.convertFrom0to1 (proportion);
            },
            [range] (float, float, float value) { return range.convertTo0to1 (value); },
            [range] (float, float, float value) { return std::isnan (value) ? value : range.snapToLegalValue (value); }
        };

        holding.interval = range.interval;
        holding.skew = range.skew;
        holding.symmetricSkew = range.symmetricSkew;
        return holding;
    }

    /** A float parameter that keeps its value when set to NaN, and whose text
        reader refuses NaN likewise: such a text maps to the current value.
        Every other value and text reads exactly as with the framework's own. */
    class FloatParameter final : public juce::AudioParameterFloat
    {
    public:
        FloatParameter (const juce::ParameterID& id,
                        const juce::String& parameterName,
                        const juce::NormalisableRange<float>& valueRange,
                        float defaultValue,
                        const juce::AudioParameterFloatAttributes& attributes)
            : juce::AudioParameterFloat (id, parameterName, valueRange, defaultValue, attributes)
        {
            range = holdingValueOnNaN (valueRange, [this] { return get(); });
        }

        float getValueForText (const juce::String& text) const override
        {
            const auto parsed = text.getFloatValue();

            if (std::isnan (parsed))
                return static_cast<const juce::AudioProcessorParameter&> (*this).getValue();

            return convertTo0to1 (parsed);
        }
    };

    /** The framework's choice, except that it keeps its item when set to NaN
        (where the framework's rounding would pick an item of its own). */
    class ChoiceParameter final : public juce::AudioParameterChoice
    {
    public:
        using juce::AudioParameterChoice::AudioParameterChoice;

        const juce::NormalisableRange<float>& getNormalisableRange() const override { return holdingRange; }

    private:
        const juce::NormalisableRange<float> holdingRange =
            holdingValueOnNaN (juce::AudioParameterChoice::getNormalisableRange(),
                               [this] { return static_cast<float> (getIndex()); });
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
    layout.add (std::make_unique<ChoiceParameter> (juce::ParameterID { "shape" }, "Shape", shapes, 0,
                                                   juce::AudioParameterChoiceAttributes().withLabel ({})));

    layout.add (makeFloat ("rate", "Rate", { 0.01f, 30.0f, rateFrom0To1, rateTo0To1, {} }, 0.01f, rateText));
    layout.add (makeFloat ("depth", "Depth", percentRange(), 0.0f, percentText));
    layout.add (makeFloat ("phase", "Phase", percentRange(), 0.0f, percentText));
    layout.add (makeFloat ("width", "Width", percentRange(), 100.0f, percentText));

    return layout;
}

} // namespace my
