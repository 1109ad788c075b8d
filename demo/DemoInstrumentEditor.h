#pragma once

#include "DemoInstrumentProcessor.h"

//==============================================================================
/**
    Shows the instrument's name above an on-screen keyboard, so that it can be
    played without a MIDI keyboard. Fixed size, except in the resizing variant,
    where it follows the size that the current program asks for.
*/
class DemoInstrumentEditor  : public juce::AudioProcessorEditor,
                              private juce::Timer
{
public:
    explicit DemoInstrumentEditor (DemoInstrumentProcessor&);
    ~DemoInstrumentEditor() override;

    void paint (juce::Graphics&) override;
    void resized() override;

private:
    void timerCallback() override;

    DemoInstrumentProcessor& processor;
    juce::MidiKeyboardComponent keyboard;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DemoInstrumentEditor)
};
