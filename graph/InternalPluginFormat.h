#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

//==============================================================================
/**
    The plug-in format named "Internal", which makes the graph's built-in audio-input,
    audio-output and MIDI-input nodes. It cannot scan and finds nothing in files.

    The node names are never spelt here: the descriptions and the matching in
    createPluginInstance both take them from the framework's I/O processors.
*/
class InternalPluginFormat  : public juce::AudioPluginFormat
{
public:
    InternalPluginFormat();
    ~InternalPluginFormat() override = default;

    //==============================================================================
    juce::String getName() const override                                         { return "Internal"; }
    void findAllTypesForFile (juce::OwnedArray<juce::PluginDescription>&, const juce::String&) override {}
    bool fileMightContainThisPluginType (const juce::String&) override            { return true; }
    juce::String getNameOfPluginFromIdentifier (const juce::String& id) override  { return id; }
    bool pluginNeedsRescanning (const juce::PluginDescription&) override          { return false; }
    bool doesPluginStillExist (const juce::PluginDescription&) override           { return true; }
    bool canScanForPlugins() const override                                       { return false; }
    bool isTrivialToScan() const override                                         { return true; }
    juce::StringArray searchPathsForPlugins (const juce::FileSearchPath&, bool, bool) override { return {}; }
    juce::FileSearchPath getDefaultLocationsToSearch() override                   { return {}; }
    bool requiresUnblockedMessageThreadDuringCreation (const juce::PluginDescription&) const override { return false; }

    //==============================================================================
    juce::PluginDescription audioInputDescription;
    juce::PluginDescription audioOutputDescription;
    juce::PluginDescription midiInputDescription;

private:
    void createPluginInstance (const juce::PluginDescription&, double initialSampleRate, int initialBufferSize,
                               PluginCreationCallback) override;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (InternalPluginFormat)
};
