#include "InternalPluginFormat.h"

using IOProcessor = juce::AudioProcessorGraph::AudioGraphIOProcessor;

static void fillFrom (IOProcessor::IODeviceType type, juce::PluginDescription& description)
{
    IOProcessor (type).fillInPluginDescription (description);
}

InternalPluginFormat::InternalPluginFormat()
{
    fillFrom (IOProcessor::audioOutputNode, audioOutputDescription);
    fillFrom (IOProcessor::audioInputNode,  audioInputDescription);
    fillFrom (IOProcessor::midiInputNode,   midiInputDescription);
}

void InternalPluginFormat::createPluginInstance (const juce::PluginDescription& description, double, int,
                                                 PluginCreationCallback callback)
{
    std::unique_ptr<juce::AudioPluginInstance> node;

    // Whole-name, case-sensitive matches; only the name decides.
    if (description.name == audioOutputDescription.name)
        node = std::make_unique<IOProcessor> (IOProcessor::audioOutputNode);
    else if (description.name == audioInputDescription.name)
        node = std::make_unique<IOProcessor> (IOProcessor::audioInputNode);
    else if (description.name == midiInputDescription.name)
        node = std::make_unique<IOProcessor> (IOProcessor::midiInputNode);
    else
    {
        callback (nullptr, "Invalid internal plugin name");
        return;
    }

    callback (std::move (node), {});
}
