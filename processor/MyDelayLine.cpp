#include "MyDelayLine.h"

namespace my
{

DelayLineBase::DelayLineBase()
    : buffer (1, 1323000)
{
    setBufSize (1323000);
}

void DelayLineBase::setBufSize (int n)
{
    bufSize = n;
    juce::AudioBuffer<float> fresh (1, n);
    fresh.clear();
    std::swap (buffer, fresh);
}

} // namespace my
