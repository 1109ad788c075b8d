#include "DemoInstrumentEditor.h"

static constexpr int titleHeight = 60;

DemoInstrumentEditor::DemoInstrumentEditor (DemoInstrumentProcessor& p)
    : AudioProcessorEditor (p),
      processor (p),
      keyboard (p.keyboardState, juce::MidiKeyboardComponent::horizontalKeyboard)
{
    // Two octaves from C4, so that a click lands on a known note.
    keyboard.setAvailableRange (60, 83);
    keyboard.setKeyWidth (600.0f / 14.0f);
    keyboard.setScrollButtonsVisible (false);
    keyboard.setOctaveForMiddleC (4);
    addAndMakeVisible (keyboard);

    setResizable (false, false);
    setSize (DemoInstrumentProcessor::editorSizeForProgram (0).getWidth(),
             DemoInstrumentProcessor::editorSizeForProgram (0).getHeight());

   #if DEMO_INSTRUMENT_RESIZING
    startTimer (50);
   #endif
}

DemoInstrumentEditor::~DemoInstrumentEditor() = default;

void DemoInstrumentEditor::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xff203040));
    g.setColour (juce::Colours::white);
    g.setFont (28.0f);
    g.drawText ("Demo Instrument", getLocalBounds().removeFromTop (titleHeight), juce::Justification::centred);
}

void DemoInstrumentEditor::resized()
{
    keyboard.setBounds (getLocalBounds().withTrimmedTop (titleHeight));
}

void DemoInstrumentEditor::timerCallback()
{
    const auto wanted = DemoInstrumentProcessor::editorSizeForProgram (processor.getCurrentProgram());

    if (wanted.getWidth() != getWidth() || wanted.getHeight() != getHeight())
        setSize (wanted.getWidth(), wanted.getHeight());
}
