#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);

    // The message manager and the desktop, as the application's start gives them.
    juce::ScopedJuceInitialiser_GUI framework;
    return RUN_ALL_TESTS();
}
