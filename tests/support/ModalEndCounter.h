#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

//==============================================================================
/**
    Counts how often a component's modal state ends. Its callback is attached beside
    the ones the component already has, and the framework runs them all at that moment,
    so it sees each end that the application's own close callback sees.
*/
class ModalEndCounter
{
public:
    /** Attaches to a component that is modal now. */
    explicit ModalEndCounter (juce::Component& modalComponent);

    int getNumEnds() const noexcept       { return ends; }
    int getLastResult() const noexcept    { return lastResult; }

private:
    int ends = 0;
    int lastResult = -1;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ModalEndCounter)
};
