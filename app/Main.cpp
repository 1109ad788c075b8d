#include "PlugInHostApplication.h"

// The framework's application start: it creates the application object, runs its
// start-up, the message loop and its shutdown, and returns the exit status.
START_JUCE_APPLICATION (PlugInHostApplication)
