#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>

//==============================================================================
/**
    A plug-in instance that plays silence: MIDI in, a stereo output, no editor. It
    counts its resets. It may have a second stereo output that starts disabled, as no
    VST 2 instance's bus does.
*/
class SilentInstrument  : public juce::AudioPluginInstance
{
public:
    enum class SecondOutput { none, disabled };

    explicit SilentInstrument (SecondOutput second = SecondOutput::none)
        : AudioPluginInstance (second == SecondOutput::none ? stereoOutput() : stereoOutput().withOutput ("Aux", juce::AudioChannelSet::stereo(), false))
    {
    }

    void reset() override   { ++resets; }

    void fillInPluginDescription (juce::PluginDescription&) const override              {}
    const juce::String getName() const override                                         { return "Silent instrument"; }
    void prepareToPlay (double, int) override                                           {}
    void releaseResources() override                                                    {}
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&) override    { buffer.clear(); }
    using AudioPluginInstance::processBlock;
    double getTailLengthSeconds() const override                                        { return 0.0; }
    bool acceptsMidi() const override                                                   { return true; }
    bool producesMidi() const override                                                  { return false; }
    juce::AudioProcessorEditor* createEditor() override                                 { return nullptr; }
    bool hasEditor() const override                                                     { return false; }
    int getNumPrograms() override                                                       { return 1; }
    int getCurrentProgram() override                                                    { return 0; }
    void setCurrentProgram (int) override                                               {}
    const juce::String getProgramName (int) override                                    { return {}; }
    void changeProgramName (int, const juce::String&) override                          {}
    void getStateInformation (juce::MemoryBlock&) override                              {}
    void setStateInformation (const void*, int) override                                {}

    std::atomic<int> resets { 0 };

private:
    static BusesProperties stereoOutput()   { return BusesProperties().withOutput ("Output", juce::AudioChannelSet::stereo(), true); }

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SilentInstrument)
};
