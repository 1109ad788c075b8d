#include "support/TestSupport.h"
#include "graph/InternalPluginFormat.h"

namespace
{
    using IOProcessor = juce::AudioProcessorGraph::AudioGraphIOProcessor;

    juce::PluginDescription describedAs (const juce::String& name)
    {
        juce::PluginDescription description;
        description.name = name;
        description.pluginFormatName = "Internal";
        return description;
    }

    struct Creation
    {
        std::unique_ptr<juce::AudioPluginInstance> instance;
        juce::String error;
    };

    Creation create (InternalPluginFormat& format, const juce::PluginDescription& description,
                     double sampleRate = 0.0, int blockSize = 0)
    {
        Creation result;
        result.instance = format.createInstanceFromDescription (description, sampleRate, blockSize, result.error);
        return result;
    }
}

TEST (InternalPluginFormat, makesEachBuiltInNodeByItsName)
{
    InternalPluginFormat format;

    const std::pair<const char*, IOProcessor::IODeviceType> nodes[] =
    {
        { "Audio Output", IOProcessor::audioOutputNode },
        { "Audio Input",  IOProcessor::audioInputNode },
        { "MIDI Input",   IOProcessor::midiInputNode },   // JUCE 7 spells MIDI in capitals
    };

    for (const auto& [name, type] : nodes)
    {
        // Whatever the rate and block size: the graph asks with 0 and 0 before it is prepared.
        for (const auto& [sampleRate, blockSize] : { std::pair (0.0, 0), std::pair (48000.0, 64) })
        {
            auto made = create (format, describedAs (name), sampleRate, blockSize);
            auto* node = dynamic_cast<IOProcessor*> (made.instance.get());
            ASSERT_NE (node, nullptr) << name;
            EXPECT_EQ (node->getType(), type) << name;
            EXPECT_TRUE (made.error.isEmpty()) << name;
        }
    }
}

TEST (InternalPluginFormat, descriptionsNameTheNodesAndTheFormatThatMakesThem)
{
    InternalPluginFormat format;

    EXPECT_EQ (format.audioInputDescription.name, "Audio Input");
    EXPECT_EQ (format.audioOutputDescription.name, "Audio Output");
    EXPECT_EQ (format.midiInputDescription.name, "MIDI Input");

    // The graph picks the registered format by this name, and hands it the empty file field.
    for (auto* description : { &format.audioInputDescription, &format.audioOutputDescription, &format.midiInputDescription })
    {
        EXPECT_EQ (description->pluginFormatName, format.getName());
        EXPECT_TRUE (format.fileMightContainThisPluginType (description->fileOrIdentifier));
    }

    // A temporary format supplies the descriptions that the registered one turns into nodes.
    InternalPluginFormat other;
    EXPECT_TRUE (other.midiInputDescription.isDuplicateOf (format.midiInputDescription));
    EXPECT_TRUE (other.audioOutputDescription.isDuplicateOf (format.audioOutputDescription));
}

TEST (InternalPluginFormat, nearMissNamesFailWithInvalidInternalPluginName)
{
    InternalPluginFormat format;

    for (const auto* name : { "MIDI Output", "Midi Input", "midi input", "Audio Output ", " Audio Input", "AUDIO OUTPUT", "" })
    {
        auto made = create (format, describedAs (name));
        EXPECT_EQ (made.instance, nullptr) << "'" << name << "'";
        EXPECT_EQ (made.error, "Invalid internal plugin name") << "'" << name << "'";
    }
}

TEST (InternalPluginFormat, onlyTheNameOfTheDescriptionDecides)
{
    InternalPluginFormat format;

    auto description = describedAs ("Audio Output");
    description.pluginFormatName = "VST";
    description.fileOrIdentifier = "/nowhere/Other.so";
    description.uniqueId = 0x1234;
    description.deprecatedUid = 0x1234;

    auto made = create (format, description);
    auto* node = dynamic_cast<IOProcessor*> (made.instance.get());
    ASSERT_NE (node, nullptr);
    EXPECT_EQ (node->getType(), IOProcessor::audioOutputNode);

    // And the other way round: the right format name does not rescue a wrong node name.
    auto wrongName = format.midiInputDescription;
    wrongName.name = "MIDI Output";
    EXPECT_EQ (create (format, wrongName).instance, nullptr);
}
