#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_audio_utils/juce_audio_utils.h>

//==============================================================================
/**
    A small VST 2 instrument that stands in for the real one in tests and demos:
    one sine voice per held note, the same signal on every output channel, silent
    when no note is held. Its editor shows its name and an on-screen keyboard.

    Test variants are built from this source with compile definitions:
    DEMO_INSTRUMENT_NO_EDITOR, DEMO_INSTRUMENT_MONO and DEMO_INSTRUMENT_RESIZING
    (its editor takes the size that the current program asks for).
*/
class DemoInstrumentProcessor  : public juce::AudioProcessor
{
public:
    DemoInstrumentProcessor();
    ~DemoInstrumentProcessor() override = default;

    //==============================================================================
    void prepareToPlay (double sampleRate, int maximumBlockSize) override;
    void releaseResources() override;
    bool isBusesLayoutSupported (const BusesLayout&) const override;
    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) override;
    using AudioProcessor::processBlock;

    //==============================================================================
    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    const juce::String getName() const override             { return "Demo Instrument"; }
    bool acceptsMidi() const override                       { return true; }
    bool producesMidi() const override                      { return false; }
    double getTailLengthSeconds() const override            { return 0.0; }

    int getNumPrograms() override;
    int getCurrentProgram() override                        { return currentProgram.load(); }
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override  { return "Size " + juce::String (index); }
    void changeProgramName (int, const juce::String&) override {}

    void getStateInformation (juce::MemoryBlock&) override  {}
    void setStateInformation (const void*, int) override    {}

    //==============================================================================
    /** Notes played on the editor's keyboard; merged into the incoming MIDI. */
    juce::MidiKeyboardState keyboardState;

    /** The editor size that a program asks for (the resizing variant only). */
    static juce::Rectangle<int> editorSizeForProgram (int program);

    static constexpr int maxVoices = 16;
    static constexpr float voiceLevel = 0.1f;

private:
    struct Voice
    {
        int note = -1;          // -1 when free
        bool released = false;
        double phase = 0.0, phaseDelta = 0.0;
        float gain = 0.0f;      // ramps in and out so notes start and end without clicks
    };

    void startNote (int note);
    void stopNote (int note);
    void render (juce::AudioBuffer<float>&, int start, int numSamples);

    std::array<Voice, maxVoices> voices;
    double sampleRate = 44100.0;
    float gainStep = 0.0f;
    std::atomic<int> currentProgram { 0 };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DemoInstrumentProcessor)
};
