#include "support/HostApplicationFixture.h"
#include "support/AlsaFileOutput.h"
#include "support/ToneAnalysis.h"
#include "app/HostCommandIDs.h"

namespace
{
    using IOProcessor = juce::AudioProcessorGraph::AudioGraphIOProcessor;
    using Connection = juce::AudioProcessorGraph::Connection;

    bool isIONode (const juce::AudioProcessorGraph::Node& node, IOProcessor::IODeviceType type)
    {
        auto* io = dynamic_cast<IOProcessor*> (node.getProcessor());
        return io != nullptr && io->getType() == type;
    }

    /** A note-on as the device manager hands one from a MIDI input to the player. */
    void playNote (PlugInHostApplication& app, int noteNumber)
    {
        auto noteOn = juce::MidiMessage::noteOn (1, noteNumber, 0.8f);
        noteOn.setTimeStamp (juce::Time::getMillisecondCounterHiRes() * 0.001);
        app.player.getMidiMessageCollector().addMessageToQueue (noteOn);
    }

    /** The VST 2 format, placed before the host's own so that the graph asks it about
        the plug-in's file while it adds the plug-in: it notes the graph's play head then.
    */
    class PlayHeadWatchingFormat  : public juce::VSTPluginFormat
    {
    public:
        explicit PlayHeadWatchingFormat (PlugInHostApplication& application)  : host (application) {}

        bool fileMightContainThisPluginType (const juce::String& file) override
        {
            asked = true;
            graphsPlayHead = host.graph->graph.getPlayHead();
            return juce::VSTPluginFormat::fileMightContainThisPluginType (file);
        }

        bool asked = false;
        juce::AudioPlayHead* graphsPlayHead = nullptr;

    private:
        PlugInHostApplication& host;
    };
}

//==============================================================================
class Startup  : public HostApplicationFixture
{
protected:
    void SetUp() override
    {
        home.installPlugin (TestSupport::demoInstrument());
    }
};

TEST_F (Startup, wiresThePluginBetweenMidiInputAndAudioOutput)
{
    useAlsaDevice();
    auto& host = create();
    auto* watching = new PlayHeadWatchingFormat (host);
    host.formatManager.addFormat (watching);
    host.initialise ({});
    ASSERT_NE (currentDevice(), nullptr);

    const auto& graph = host.graph->graph;
    const auto& nodes = graph.getNodes();
    ASSERT_EQ (nodes.size(), 3);
    EXPECT_TRUE (isIONode (*nodes[0], IOProcessor::midiInputNode));
    EXPECT_TRUE (isIONode (*nodes[1], IOProcessor::audioOutputNode));
    EXPECT_NE (dynamic_cast<juce::AudioPluginInstance*> (nodes[2]->getProcessor()), nullptr);
    EXPECT_EQ (nodes[2]->getProcessor()->getName(), "Demo Instrument");

    const auto midiIn = nodes[0]->nodeID, audioOut = nodes[1]->nodeID, plugin = nodes[2]->nodeID;
    const auto midi = juce::AudioProcessorGraph::midiChannelIndex;
    const std::vector<Connection> expected { { { plugin, 0 }, { audioOut, 0 } },
                                             { { plugin, 1 }, { audioOut, 1 } },
                                             { { midiIn, midi }, { plugin, midi } } };
    auto connections = graph.getConnections();
    std::sort (connections.begin(), connections.end());
    auto sortedExpected = expected;
    std::sort (sortedExpected.begin(), sortedExpected.end());
    EXPECT_TRUE (connections == sortedExpected) << "the graph holds " << connections.size() << " connections";

    // The graph hands its play head on to its nodes, so start-up gives it one before it
    // adds the plug-in.
    ASSERT_NE (host.playHead, nullptr);
    EXPECT_EQ (graph.getPlayHead(), host.playHead);
    ASSERT_TRUE (watching->asked);
    EXPECT_EQ (watching->graphsPlayHead, host.playHead) << "the play head was set after the plug-in was added";

    EXPECT_EQ (host.processor, nodes[2]->getProcessor());
    ASSERT_NE (host.mainWindow, nullptr);
    EXPECT_TRUE (host.mainWindow->isOnDesktop());
    EXPECT_EQ (host.player.getCurrentProcessor(), &graph);
}

TEST_F (Startup, registersPreferencesAndAboutButNotQuit)
{
    auto& host = start();
    auto& commands = host.commandManager;

    ASSERT_EQ (commands.getNumCommands(), 2);
    EXPECT_EQ (commands.getCommandForIndex (0)->commandID, HostCommandIDs::preferences);
    EXPECT_EQ (commands.getCommandForIndex (1)->commandID, HostCommandIDs::about);
    EXPECT_EQ (commands.getCommandForID (juce::StandardApplicationCommandIDs::quit), nullptr);

    EXPECT_EQ (commands.getNameOfCommand (HostCommandIDs::preferences), "Preferences...");
    EXPECT_EQ (commands.getNameOfCommand (HostCommandIDs::about), "About...");

    const auto preferencesKeys = commands.getKeyMappings()->getKeyPressesAssignedToCommand (HostCommandIDs::preferences);
    ASSERT_EQ (preferencesKeys.size(), 1);
    EXPECT_EQ (preferencesKeys[0].getKeyCode(), ',');
    EXPECT_EQ (preferencesKeys[0].getModifiers(), juce::ModifierKeys::commandModifier);
    EXPECT_TRUE (commands.getKeyMappings()->getKeyPressesAssignedToCommand (HostCommandIDs::about).isEmpty());
}

TEST_F (Startup, showsTheSystemMenuAtTheTopOfTheMainWindow)
{
    auto& host = start();
    ASSERT_NE (host.mainWindow, nullptr);

    auto* menuBar = dynamic_cast<juce::MenuBarComponent*> (host.mainWindow->getMenuBarComponent());
    ASSERT_NE (menuBar, nullptr);
    EXPECT_EQ (menuBar->getModel(), &host);
    EXPECT_EQ (menuBar->getY(), 0);
    EXPECT_EQ (menuBar->getWidth(), host.mainWindow->getWidth());
    EXPECT_TRUE (menuBar->isShowing());

    EXPECT_EQ (host.getMenuBarNames(), juce::StringArray { "System" });

    const auto menu = host.getMenuForIndex (0, "System");
    juce::StringArray texts;
    juce::Array<int> ids;

    for (juce::PopupMenu::MenuItemIterator item (menu); item.next();)
    {
        texts.add (item.getItem().text);
        ids.add (item.getItem().itemID);
        EXPECT_EQ (item.getItem().commandManager, &host.commandManager);
        EXPECT_TRUE (item.getItem().isEnabled);
    }

    EXPECT_EQ (texts, (juce::StringArray { "Preferences...", "About..." }));
    EXPECT_EQ (ids, (juce::Array<int> { HostCommandIDs::preferences, HostCommandIDs::about }));
}

TEST_F (Startup, pluginPlaysOnADeviceOpenedAfterStartUp)
{
    // The only device fails in snd_pcm_open itself, before any audio thread runs, so
    // no device opens at start-up however fast or slow the machine is.
    useAlsaDeviceThatCannotOpen();
    auto& host = start();
    ASSERT_EQ (currentDevice(), nullptr) << "opened at start-up: " << currentDevice()->getTypeName() << " \"" << currentDevice()->getName() << "\"";

    // The user sets the device up, then opens it in the dialog.
    const auto output = home.getHome().getChildFile ("output.raw");
    useAlsaDevice (output);

    // What the dialog does when the user picks the device.
    juce::AudioDeviceManager::AudioDeviceSetup setup;
    host.deviceManager.getAudioDeviceSetup (setup);
    setup.outputDeviceName = "default";
    EXPECT_EQ (host.deviceManager.setAudioDeviceSetup (setup, true), "");
    auto* device = currentDevice();
    ASSERT_NE (device, nullptr);
    ASSERT_EQ (device->getActiveOutputChannels().countNumberOfSetBits(), 2);

    const AlsaFileOutput played (output, 2, device->getCurrentSampleRate());
    const auto second = (juce::int64) played.getSampleRate();

    // The graph renders its new layout after the message loop has run.
    TestSupport::deliverPendingMessages();
    ASSERT_TRUE (played.waitForFrames (second));
    const auto beforeNote = played.readLatest (4096);
    EXPECT_EQ (beforeNote.getMagnitude (0, beforeNote.getNumSamples()), 0.0f) << "sound before any note";

    const auto noteFrame = played.getNumFrames();
    playNote (host, 69);
    ASSERT_TRUE (played.waitForFrames (noteFrame + 2 * second));
    host.deviceManager.closeAudioDevice();

    const auto tone = played.read (noteFrame + second, (int) second / 2);
    ASSERT_EQ (tone.getNumSamples(), second / 2);

    for (int channel = 0; channel < 2; ++channel)
    {
        EXPECT_GT (tone.getRMSLevel (channel, 0, tone.getNumSamples()), 0.03f) << "channel " << channel;
        const TestSupport::ToneAnalysis analysis (tone.getReadPointer (channel), tone.getNumSamples(), played.getSampleRate());
        EXPECT_NEAR (analysis.measureFrequency (0, tone.getNumSamples()), 440.0, 0.5) << "channel " << channel;
    }
}

using StartupWithOneOutput = HostApplicationFixture;

TEST_F (StartupWithOneOutput, refusedSecondConnectionIsIgnoredAndStartUpCompletes)
{
    home.installPlugin (TestSupport::demoInstrumentMono());
    auto& host = start();

    const auto& graph = host.graph->graph;
    const auto& nodes = graph.getNodes();
    ASSERT_EQ (nodes.size(), 3);

    const auto midiIn = nodes[0]->nodeID, audioOut = nodes[1]->nodeID, plugin = nodes[2]->nodeID;
    const auto midi = juce::AudioProcessorGraph::midiChannelIndex;
    EXPECT_TRUE (graph.isConnected ({ { plugin, 0 }, { audioOut, 0 } }));
    EXPECT_FALSE (graph.isConnected ({ { plugin, 1 }, { audioOut, 1 } }));
    EXPECT_TRUE (graph.isConnected ({ { midiIn, midi }, { plugin, midi } }));
    EXPECT_EQ (graph.getConnections().size(), 2u);

    // The rest of start-up still ran: the window, the commands and the menu.
    EXPECT_NE (host.mainWindow, nullptr);
    EXPECT_EQ (host.commandManager.getNumCommands(), 2);
    EXPECT_FALSE (juce::MessageManager::getInstance()->hasStopMessageBeenSent());
}
