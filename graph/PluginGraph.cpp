#include "PluginGraph.h"
#include "InternalPluginFormat.h"

PluginGraph::PluginGraph (juce::AudioPluginFormatManager& manager)
    : formatManager (manager)
{
    // The audio-output node takes its inputs from the graph's channel count when it is
    // added, and a graph no device has prepared has none: the plug-in's outputs could
    // then never be connected. Give it the layout the host always plays, no input and
    // two outputs, so that a device opened later is heard.
    graph.setPlayConfigDetails (0, 2, 0.0, 0);
    newDocument();
    graph.addListener (this);
}

PluginGraph::~PluginGraph()
{
    graph.removeListener (this);
    graph.clear();
}

void PluginGraph::newDocument()
{
    graph.clear();

    // The temporary only supplies descriptions; the nodes are made by the registered
    // "Internal" format, which every description names.
    InternalPluginFormat internalFormat;
    addPlugin (internalFormat.midiInputDescription);
    addPlugin (internalFormat.audioOutputDescription);
}

void PluginGraph::addPlugin (const juce::PluginDescription& description)
{
    // 0 and 0 until a player first prepares the graph.
    const auto sampleRate = graph.getSampleRate();
    const auto blockSize = graph.getBlockSize();

    juce::String errorMessage;
    juce::AudioPluginFormat* chosenFormat = nullptr;

    for (auto* format : formatManager.getFormats())
    {
        if (format->getName() == description.pluginFormatName
             && format->fileMightContainThisPluginType (description.fileOrIdentifier))
        {
            chosenFormat = format;
            break;
        }
    }

    if (chosenFormat == nullptr)
    {
        errorMessage = "No compatible plug-in format exists for this plug-in";
    }
    else if (auto instance = chosenFormat->createInstanceFromDescription (description, sampleRate, blockSize, errorMessage))
    {
        // An instance that refuses the layout keeps its buses and is added all the same.
        instance->enableAllBuses();
        graph.addNode (std::move (instance));
        return;
    }

    juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::WarningIcon,
                                            TRANS ("Couldn't create plugin"),
                                            errorMessage);
}
