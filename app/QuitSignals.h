#pragma once

#include <juce_events/juce_events.h>

//==============================================================================
/**
    Turns the system's requests to terminate (SIGTERM, and SIGINT from a terminal)
    into the application's systemRequestedQuit on the message thread, so that such a
    run ends through the normal shutdown and the settings are written. On macOS the
    framework's application delegate does this, and these calls do nothing.
*/
class QuitSignals
{
public:
    /** Call on the message thread once the application object exists. */
    static void install();

    /** Restores the default handling; safe to call when install() never ran. */
    static void remove();

private:
    QuitSignals() = delete;
};
