#pragma once

#include "graph/PluginGraph.h"
#include "graph/PluginHostAudioPlayHead.h"
#include "FakeAudioDevice.h"

#include <juce_audio_utils/juce_audio_utils.h>

//==============================================================================
/**
    The host's audio path without the application around it: the two formats, a
    PluginGraph holding the plug-in of the given file, the fixed play head, and an
    AudioProcessorPlayer started on a fake two-channel device, wired as the host
    wires them (plug-in outputs 0 and 1 to the audio output, MIDI input to the
    plug-in). renderBlock() is one audio device callback, run on the caller's thread.
*/
class PlayingGraph
{
public:
    PlayingGraph (const juce::File& pluginFile, double sampleRate, int blockSize);
    ~PlayingGraph();

    /** True when the plug-in became the third node and all three connections were accepted. */
    bool isWired() const noexcept                         { return wired; }

    /** The plug-in instance (node 2), or null. */
    juce::AudioProcessor* getPlugin() const;

    /** Hands a message to the player's MIDI collector, time-stamped now, as a MIDI input does. */
    void sendMidi (juce::MidiMessage message);

    /** Runs one device callback and returns the two output channels it wrote. */
    const juce::AudioBuffer<float>& renderBlock();

    juce::AudioProcessorPlayer& getPlayer() noexcept       { return player; }
    PluginGraph& getGraph() noexcept                      { return *graph; }

private:
    // Declared in the order the host creates them; the player goes first on destruction.
    juce::AudioPluginFormatManager formatManager;
    PluginHostAudioPlayHead playHead;
    std::unique_ptr<PluginGraph> graph;
    FakeAudioDevice device;
    juce::AudioProcessorPlayer player;
    juce::AudioBuffer<float> output;
    bool wired = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PlayingGraph)
};
