#pragma once

#include <juce_events/juce_events.h>

#include <chrono>
#include <thread>

namespace juce
{
    // Serves one message from the message queue, or returns false when there is
    // none. The plug-in is built without modal loops, so runDispatchLoopUntil is
    // not there; this is how the framework's own Linux plug-in wrappers serve
    // the queue, declared here as they declare it.
    bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

/** Serves the message queue on this, the message thread, for the given time. */
inline void serveMessagesFor (std::chrono::milliseconds duration)
{
    const auto end = std::chrono::steady_clock::now() + duration;

    while (std::chrono::steady_clock::now() < end)
        if (! juce::dispatchNextMessageOnSystemQueue (true))
            std::this_thread::sleep_for (std::chrono::milliseconds (1));
}
