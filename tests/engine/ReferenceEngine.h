#pragma once

// A plain per-sample model of the plug-in's signal path, written from the
// description of the engine and sharing no code with it: the parameter
// mapping of processBlock, the vibrato (LFO, curves, delay lines) and the width
// stage, with their linear smoothers. The tests feed it the same parameter
// values and audio as the processor and expect the same bits out.

#include <cmath>
#include <cstdint>
#include <vector>

namespace reference
{
    /** Linear smoother: a ramp over a fixed number of samples, the last step
        landing exactly on the target. */
    struct Ramp
    {
        float current = 0.0f;
        float target = 0.0f;
        float step = 0.0f;
        int length = 0;
        int remaining = 0;

        void reset (int numSteps)
        {
            length = numSteps;
            current = target;
            remaining = 0;
        }

        void setTarget (float value)
        {
            if (value == target)
                return;

            if (length <= 0)
            {
                current = target = value;
                remaining = 0;
                return;
            }

            target = value;
            remaining = length;
            step = (target - current) / static_cast<float> (length);
        }

        float next()
        {
            if (remaining <= 0)
                return target;

            --remaining;

            if (remaining == 0)
                current = target;
            else
                current += step;

            return current;
        }
    };

    /** Parameter values as the parameter tree holds them, in their own units. */
    struct ParameterValues
    {
        float shape = 0.0f;  // choice index
        float rate = 0.01f;  // Hz
        float depth = 0.0f;  // %
        float phase = 0.0f;  // %
        float width = 100.0f; // %
    };

    class Engine
    {
    public:
        /** Any line longer than the longest delay read gives the same output as the
            plug-in's 16,000,000-sample lines. */
        explicit Engine (int lineSamples = 1 << 21, int firstWriteIndex = 0)
            : lineLength (lineSamples),
              leftLine ((size_t) lineSamples, 0.0f),
              rightLine ((size_t) lineSamples, 0.0f),
              table (4096),
              leftWrite (firstWriteIndex),
              rightWrite (firstWriteIndex)
        {
            for (int i = 0; i < 4096; ++i)
                table[(size_t) i] = sinf (static_cast<float> (i) * 6.2831855f / 4096.0f);
        }

        void prepare (double sampleRateToUse)
        {
            const float sr = static_cast<float> (sampleRateToUse);
            const int steps = static_cast<int> (std::floor (static_cast<double> (sr) * 0.1));
            sampleRate = sr;
            rate.reset (steps);
            depth.reset (steps);
            offset.reset (steps);
            inverseSampleRate = 1.0f / sr;
            width.reset (steps);
        }

        void processBlock (float* left, float* right, int numSamples, const ParameterValues& values)
        {
            if (values.shape <= 0.5f)
                shapeCode = 1;
            else if (values.shape <= 1.0f)
                shapeCode = 2;

            const float percent = 0.01f;
            rate.setTarget (values.rate);
            depth.setTarget (values.depth * percent);
            offset.setTarget (values.phase * percent);

            for (int i = 0; i < numSamples; ++i)
                vibratoSample (left[i], right[i]);

            width.setTarget (values.width * percent);

            for (int i = 0; i < numSamples; ++i)
            {
                float g = width.next();
                g = g < 0.0f ? 0.0f : (g > 1.0f ? 1.0f : g);
                const float l = left[i];
                const float r = right[i];
                const float mid = (l + r) * 0.5f;
                const float side = (l - r) * 0.5f * g;
                left[i] = mid + side;
                right[i] = mid - side;
            }
        }

    private:
        float curve (float q) const
        {
            if (shapeCode == 1)
            {
                const float pos = q * 4096.0f;
                const int i = static_cast<int> (pos);
                const float frac = pos - static_cast<float> (i);
                const int ia = i >= 4096 ? i - 4096 : i;
                const int ib = i + 1 >= 4096 ? i + 1 - 4096 : i + 1;
                const float v = (table[(size_t) ib] - table[(size_t) ia]) * frac + table[(size_t) ia];
                return (v + 1.0f) * 0.5f;
            }

            if (shapeCode == 2)
            {
                float x = q + 0.25f;
                if (x > 1.0f)
                    x -= 1.0f;

                float y;
                if (x < 0.5f)
                    y = x * x * 8.0f - 1.0f;
                else
                    y = (x - 0.5f) * (x - 0.5f) * -8.0f + 1.0f;

                return (y + 1.0f) * 0.5f;
            }

            float t = q + 0.75f;
            if (t > 1.0f)
                t -= 1.0f;

            return std::fabs (t + t - 1.0f);
        }

        float readLine (const std::vector<float>& line, int writeIndex, float delay) const
        {
            const int n = static_cast<int> (delay);
            const float f = delay - static_cast<float> (n);
            const int w = writeIndex == 0 ? lineLength : writeIndex;
            int ia = w - 1 - n;
            int ib = w - 2 - n;
            if (ia < 0)
                ia += lineLength;
            if (ib < 0)
                ib += lineLength;
            const float a = line[(size_t) ia];
            const float b = line[(size_t) ib];
            return (b - a) * f + a;
        }

        void vibratoSample (float& left, float& right)
        {
            leftLine[(size_t) leftWrite] = left;
            if (++leftWrite == lineLength)
                leftWrite = 0;
            rightLine[(size_t) rightWrite] = right;
            if (++rightWrite == lineLength)
                rightWrite = 0;

            const float r = rate.next();

            float p = inverseSampleRate * r + phase;
            if (p > 1.0f)
                p = p - 1.0f;
            phase = p;
            const float qLeft = p;

            float qRight = offset.next() + qLeft;
            if (qRight > 1.0f)
                qRight = qRight - 1.0f;

            const float mLeft = curve (qLeft);
            const float mRight = curve (qRight);

            const float d = depth.next();

            const float a = 0.5f * d;
            const double b = static_cast<double> (0.01f) / static_cast<double> (r);
            const double c = static_cast<double> (5000.0f) * (static_cast<double> (a) * b);
            const float peak = static_cast<float> (c) * 0.001f;

            const float delayLeft = static_cast<float> (static_cast<double> (mLeft) * static_cast<double> (peak) * static_cast<double> (sampleRate));
            const float delayRight = static_cast<float> (static_cast<double> (mRight) * static_cast<double> (peak) * static_cast<double> (sampleRate));

            left = readLine (leftLine, leftWrite, delayLeft);
            right = readLine (rightLine, rightWrite, delayRight);
        }

        int lineLength;
        std::vector<float> leftLine, rightLine, table;
        int leftWrite, rightWrite;

        int shapeCode = 1;
        float sampleRate = 44100.0f;
        float inverseSampleRate = 1.0f / 44100.0f;
        float phase = 0.0f;

        Ramp rate, depth, offset, width;
    };
} // namespace reference
