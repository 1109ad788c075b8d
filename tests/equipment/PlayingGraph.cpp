#include "PlayingGraph.h"
#include "graph/InternalPluginFormat.h"

PlayingGraph::PlayingGraph (const juce::File& pluginFile, double sampleRate, int blockSize)
    : device (sampleRate, blockSize),
      output (2, blockSize)
{
    formatManager.addFormat (new juce::VSTPluginFormat());
    formatManager.addFormat (new InternalPluginFormat());
    graph = std::make_unique<PluginGraph> (formatManager);

    juce::VSTPluginFormat scanFormat;
    juce::OwnedArray<juce::PluginDescription> found;
    scanFormat.findAllTypesForFile (found, pluginFile.getFullPathName());

    if (found.isEmpty())
        return;

    // The host's order: play head, plug-in, player, device; then the connections,
    // which the audio-output node accepts only once the player has given the graph
    // its channels.
    graph->graph.setPlayHead (&playHead);
    graph->addPlugin (*found.getFirst());
    player.setProcessor (&graph->graph);
    player.audioDeviceAboutToStart (&device);

    auto& nodes = graph->graph.getNodes();

    if (nodes.size() != 3)
        return;

    using Connection = juce::AudioProcessorGraph::Connection;
    const auto midiChannel = juce::AudioProcessorGraph::midiChannelIndex;
    const auto midiIn = nodes[0]->nodeID, audioOut = nodes[1]->nodeID, plugin = nodes[2]->nodeID;

    wired = graph->graph.addConnection (Connection { { plugin, 0 }, { audioOut, 0 } })
         && graph->graph.addConnection (Connection { { plugin, 1 }, { audioOut, 1 } })
         && graph->graph.addConnection (Connection { { midiIn, midiChannel }, { plugin, midiChannel } });
}

PlayingGraph::~PlayingGraph()
{
    player.audioDeviceStopped();
    player.setProcessor (nullptr);
}

juce::AudioProcessor* PlayingGraph::getPlugin() const
{
    auto& nodes = graph->graph.getNodes();
    return nodes.size() > 2 ? nodes[2]->getProcessor() : nullptr;
}

void PlayingGraph::sendMidi (juce::MidiMessage message)
{
    // The collector places messages by their time stamp, in seconds on this clock.
    message.setTimeStamp (juce::Time::getMillisecondCounterHiRes() * 0.001);
    player.getMidiMessageCollector().addMessageToQueue (message);
}

const juce::AudioBuffer<float>& PlayingGraph::renderBlock()
{
    player.audioDeviceIOCallbackWithContext (nullptr, 0,
                                             output.getArrayOfWritePointers(), output.getNumChannels(),
                                             output.getNumSamples(), {});
    return output;
}
