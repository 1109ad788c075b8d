#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

//==============================================================================
/**
    Owns the graph the host plays, and is the one place where plug-in instances are
    created and added to it. A new PluginGraph holds a fresh document: the MIDI-input
    node at position 0 and the audio-output node at position 1, made through the
    "Internal" format. Connections, the play head and playing are the application's.
*/
class PluginGraph  : public juce::AudioProcessorListener
{
public:
    /** The format manager must hold the formats that create the nodes, the "Internal"
        one among them, and must outlive this object.
    */
    explicit PluginGraph (juce::AudioPluginFormatManager& formatManager);
    ~PluginGraph() override;

    /** Empties the graph and adds the MIDI-input node, then the audio-output node. */
    void newDocument();

    /** Creates the plug-in through the first registered format whose name matches the
        description's format name and that accepts its file, enables all its buses and
        appends it as a node. On failure the graph is unchanged and a warning alert
        tells the user; the caller only sees that no node was added.
    */
    void addPlugin (const juce::PluginDescription& description);

    //==============================================================================
    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}

    //==============================================================================
    // Declared first, so it is constructed first and destroyed last.
    juce::AudioProcessorGraph graph;

private:
    juce::AudioPluginFormatManager& formatManager;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PluginGraph)
};
