#include "support/HostApplicationFixture.h"
#include "support/AlsaFileOutput.h"
#include "equipment/SilentInstrument.h"

namespace
{
    juce::MidiMessage noteOnNow (int noteNumber)
    {
        auto noteOn = juce::MidiMessage::noteOn (1, noteNumber, 0.8f);
        noteOn.setTimeStamp (juce::Time::getMillisecondCounterHiRes() * 0.001);
        return noteOn;
    }

    bool isSilent (const juce::AudioBuffer<float>& buffer)
    {
        return buffer.getNumSamples() > 0 && buffer.getMagnitude (0, buffer.getNumSamples()) == 0.0f;
    }
}

//==============================================================================
using Shutdown = HostApplicationFixture;

TEST_F (Shutdown, afterASecondLaunchTouchesNothingAndTheObjectDeletesCleanly)
{
    home.installPlugin (TestSupport::demoInstrument());
    useAlsaDevice();

    // A second launch: the framework never runs initialise, but always shutdown.
    auto& host = create();
    host.shutdown();

    EXPECT_EQ (host.deviceManager.getCurrentAudioDevice(), nullptr);
    EXPECT_EQ (host.commandManager.getNumCommands(), 0);
    EXPECT_EQ (host.formatManager.getNumFormats(), 0);
    EXPECT_EQ (host.player.getCurrentProcessor(), nullptr);
    EXPECT_EQ (host.settings, nullptr);
    EXPECT_EQ (host.mainWindow, nullptr);
    EXPECT_EQ (host.playHead, nullptr);
    EXPECT_EQ (host.graph, nullptr);
    EXPECT_EQ (juce::Desktop::getInstance().getNumComponents(), 0);

    app.reset();

    EXPECT_FALSE (home.settingsFile().getParentDirectory().exists());
}

TEST_F (Shutdown, resetMIDIMessageWithoutADeviceResetsTheCollectorAtRateZero)
{
    home.installPlugin (TestSupport::demoInstrument());
    auto& host = start();
    ASSERT_EQ (currentDevice(), nullptr);
    auto& collector = host.player.getMidiMessageCollector();

    collector.addMessageToQueue (noteOnNow (60));
    host.resetMIDIMessage();

    constexpr int blockSize = 1 << 16;
    juce::MidiBuffer block;
    collector.removeNextBlockOfMessages (block, blockSize);
    EXPECT_TRUE (block.isEmpty()) << "the queue was not emptied";

    // At rate 0 the collector places every message on the block's last sample, however
    // far apart their times; at any real rate these two would be half a second apart.
    auto early = noteOnNow (60), late = noteOnNow (64);
    early.setTimeStamp (early.getTimeStamp() - 1.0);
    late.setTimeStamp (late.getTimeStamp() - 0.5);
    collector.addMessageToQueue (early);
    collector.addMessageToQueue (late);
    collector.removeNextBlockOfMessages (block, blockSize);

    ASSERT_EQ (block.getNumEvents(), 2);
    EXPECT_EQ (block.getFirstEventTime(), blockSize - 1);
    EXPECT_EQ (block.getLastEventTime(), blockSize - 1);
}

//==============================================================================
using DeviceChange = HostApplicationFixture;

TEST_F (DeviceChange, silencesTheHeldNotesOfThePluginAndLeavesItPlayable)
{
    home.installPlugin (TestSupport::demoInstrument());
    const auto output = home.getHome().getChildFile ("output.raw");
    useAlsaDevice (output);
    auto& host = start();
    auto* device = currentDevice();
    ASSERT_NE (device, nullptr);

    const AlsaFileOutput played (output, 2, device->getCurrentSampleRate());
    const auto second = (juce::int64) played.getSampleRate();

    // Let the device's own change messages of start-up arrive first.
    TestSupport::deliverPendingMessages();

    host.player.getMidiMessageCollector().addMessageToQueue (noteOnNow (69));
    const auto noteFrame = played.getNumFrames();
    ASSERT_TRUE (played.waitForFrames (noteFrame + second));
    ASSERT_FALSE (isSilent (played.readLatest (4096))) << "the note was not heard";

    // Held: it goes on sounding until something stops it.
    const auto heldFrame = played.getNumFrames();
    ASSERT_TRUE (played.waitForFrames (heldFrame + second));
    ASSERT_FALSE (isSilent (played.readLatest (4096))) << "the note stopped by itself";

    host.deviceManager.sendChangeMessage();
    EXPECT_TRUE (TestSupport::runMessageLoopUntil ([&] { return isSilent (played.readLatest (4096)); }))
        << "the plug-in was not reset";

    host.player.getMidiMessageCollector().addMessageToQueue (noteOnNow (69));
    const auto secondNoteFrame = played.getNumFrames();
    ASSERT_TRUE (played.waitForFrames (secondNoteFrame + second));
    EXPECT_FALSE (isSilent (played.readLatest (4096))) << "the plug-in no longer plays after its reset";

    host.deviceManager.closeAudioDevice();
}

TEST_F (DeviceChange, resetsTheProcessorAtPositionTwoOnce)
{
    home.installPlugin (TestSupport::demoInstrument());
    auto& host = start();
    TestSupport::deliverPendingMessages();

    // The graph the application looks into, with counters where the plug-in was and
    // after it; the playing graph is kept aside and put back before shutdown.
    auto playing = std::move (host.graph);
    host.graph = std::make_unique<PluginGraph> (host.formatManager);
    auto atTwo = new SilentInstrument();
    auto atThree = new SilentInstrument();
    host.graph->graph.addNode (std::unique_ptr<juce::AudioProcessor> (atTwo));
    host.graph->graph.addNode (std::unique_ptr<juce::AudioProcessor> (atThree));
    ASSERT_EQ (host.graph->graph.getNodes().size(), 4);
    ASSERT_EQ (host.graph->graph.getNodes()[2]->getProcessor(), atTwo);

    host.deviceManager.sendChangeMessage();
    EXPECT_TRUE (TestSupport::runMessageLoopUntil ([&] { return atTwo->resets > 0; }));
    TestSupport::deliverPendingMessages();

    EXPECT_EQ (atTwo->resets, 1);
    EXPECT_EQ (atThree->resets, 0);

    host.graph = std::move (playing);
}
