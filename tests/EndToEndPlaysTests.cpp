#include "support/HostSession.h"
#include "support/JackServer.h"
#include "support/TestSupport.h"
#include "support/ToneAnalysis.h"
#include "support/WavRecording.h"
#include "support/X11Desktop.h"

#include <csignal>

using namespace TestSupport;

namespace
{
    // The demo instrument's editor: a 60-pixel title above two octaves of keys from
    // C4, 14 white keys across its 600 x 240 pixels.
    constexpr int editorWidth = 600, editorHeight = 240;
    constexpr int whiteKeyWidth = editorWidth / 14;
    constexpr double c4 = 261.6256;

    // jack_rec writes 16-bit samples: one step of those is the quietest non-silence.
    constexpr float oneStep = 1.0f / 32768.0f;
}

/* A user with no MIDI keyboard starts the host with the demo instrument, sees its
   editor, clicks a key of its on-screen keyboard, and hears the note; then closes the
   window. What the audio device received is recorded from the JACK server. */
TEST (HostPlays, clickedKeyIsHeardOnBothChannelsAtItsPitch)
{
    X11Desktop desktop;
    ASSERT_TRUE (desktop.isOpen()) << "no display";

    JackServer jack;
    ASSERT_TRUE (jack.isRunning()) << "jackd did not start";

    HostSession session;
    session.installPlugin (demoInstrument());
    session.useJackServer (jack);

    auto& host = session.launch();
    auto window = HostSession::waitForMainWindow (desktop, host);
    ASSERT_NE (window, 0u) << "no main window; errors:\n" << host.getErrors();

    const auto client = jack.waitForClientWithPort ("out_2", HostSession::startTimeoutMs);
    ASSERT_TRUE (client.isNotEmpty()) << "the host opened no JACK device; ports:\n"
                                      << jack.listPorts().joinIntoString ("\n");

    // Start-up ends by putting the "System" menu bar above the editor, which is the
    // plug-in's own X window inside the main window. Then move the window away from
    // the centre of the screen, where other tests' windows appear, and wait for the
    // editor to be painted there.
    X11Desktop::Area area, editor;
    ASSERT_TRUE (HostSession::waitForEditorBelowMenuBar (desktop, host.getPid(), window, area, editor))
        << "no editor below a menu bar in the main window";
    ASSERT_TRUE (desktop.moveToCorner (window));
    ASSERT_TRUE (HostSession::waitForEditorBelowMenuBar (desktop, host.getPid(), window, area, editor));

    // The window is the editor's size, with the menu bar above it.
    EXPECT_EQ (editor.width, editorWidth);
    EXPECT_EQ (editor.height, editorHeight);
    EXPECT_EQ (area.width, editorWidth);
    EXPECT_EQ (editor.x, area.x);
    EXPECT_EQ (editor.getBottom(), area.getBottom());
    EXPECT_LT (area.height - editorHeight, 40) << "more than a menu bar above the editor";

    // Keep the pointer off the keys, so the picture shows none highlighted.
    ASSERT_TRUE (desktop.movePointer (0, 0));
    const auto screenshot = juce::File (VEXILOR_ARTIFACT_DIR).getChildFile ("vexilor-demo-instrument.png");
    EXPECT_TRUE (desktop.saveScreenshot (window, screenshot)) << screenshot.getFullPathName();

    // Recorded as long as the test needs, and then stopped.
    const auto wavFile = session.getHome().getChildFile ("recording.wav");
    const auto outputs = juce::StringArray { client + ":out_1", client + ":out_2" };
    auto recorder = jack.record (wavFile, 60, outputs);

    // Recording starts once jack_rec is connected to both outputs.
    ASSERT_TRUE (TestSupport::runMessageLoopUntil ([&]
    {
        return jack.listConnections (outputs[0]).size() > 0 && jack.listConnections (outputs[1]).size() > 0;
    }, 10000)) << "jack_rec did not connect: " << recorder->getErrors();

    // Time on the recording's clock: the bytes jack_rec has written.
    constexpr juce::int64 bytesPerSecond = JackServer::sampleRate * 2 * (juce::int64) sizeof (juce::int16);
    const auto waitForRecording = [&] (juce::int64 bytes)
    {
        const auto target = wavFile.getSize() + bytes;
        return TestSupport::runMessageLoopUntil ([&] { return wavFile.getSize() >= target; }, 10000);
    };

    // The key shows the host's state: drawn down (a yellow with no blue in it) once the
    // host has taken the press and started the note, and up once it has taken the release.
    const auto keyX = editor.x + whiteKeyWidth / 2, keyY = editor.getBottom() - 30;
    const auto keyIsDown = [&] { return (desktop.getPixel (keyX, keyY) & 0xff) < 0x40; };

    // A quarter of a second of silence before the click.
    ASSERT_TRUE (waitForRecording (44 + bytesPerSecond / 4)) << "jack_rec records nothing";

    // Press the first white key, C4, low on the key where no black key covers it, and hold
    // it for a second of the recording.
    ASSERT_TRUE (desktop.pressButton (keyX, keyY));
    ASSERT_TRUE (desktop.waitUntil (host.getPid(), keyIsDown, 10000)) << "the key is not drawn down";
    ASSERT_TRUE (waitForRecording (bytesPerSecond));
    ASSERT_TRUE (desktop.releaseButton());
    ASSERT_TRUE (desktop.waitUntil (host.getPid(), [&] { return ! keyIsDown(); }, 10000)) << "the key stays down";

    // Half a second more than jack_rec may still hold in memory (16384 frames), so
    // that the end of the note is in the file; then stop it, as a user would.
    ASSERT_TRUE (waitForRecording (bytesPerSecond / 2));
    recorder->sendSignal (SIGINT);
    const auto recorded = recorder->waitForExit (10000);
    ASSERT_TRUE (recorded.has_value()) << "jack_rec did not stop";
    ASSERT_EQ (*recorded, ExitStatus::exitCode (0)) << recorder->getErrors();

    // Quit as a user does: the window manager's close button.
    ASSERT_TRUE (desktop.clickCloseButton (window));
    ASSERT_TRUE (desktop.waitUntil (host.getPid(), [&] { return ! host.isRunning(); }, HostSession::quitTimeoutMs))
        << "the close button did not quit the host";

    const auto status = host.waitForExit (0);
    ASSERT_TRUE (status.has_value());
    EXPECT_EQ (*status, ExitStatus::exitCode (0));
    EXPECT_TRUE (HostSession::findProblemReports (host.getErrors()).isEmpty()) << host.getErrors();

    //==============================================================================
    WavRecording recording (wavFile);
    ASSERT_TRUE (recording.isValid()) << wavFile.getFullPathName();
    ASSERT_EQ (recording.getNumChannels(), 2);
    ASSERT_EQ (recording.getSampleRate(), (double) JackServer::sampleRate);

    const auto rate = recording.getSampleRate();

    for (int channel = 0; channel < 2; ++channel)
    {
        SCOPED_TRACE ("channel " + std::to_string (channel));
        ToneAnalysis tone (recording.getChannel (channel), recording.getNumSamples(), rate);

        const auto start = tone.findStart (oneStep);
        const auto end = tone.findEnd (oneStep);
        ASSERT_GE (start, 0) << "nothing was heard";

        // Silence from the start of the recording until the click.
        EXPECT_GE (start, (int) (0.25 * rate)) << "sound before the click";

        // The note lasts as long as the key was held: a second of the recording, less
        // what jack_rec still held in memory when the key was drawn down.
        const auto heldSeconds = (end - start) / rate;
        EXPECT_GT (heldSeconds, 0.6);
        EXPECT_LT (end, recording.getNumSamples()) << "the note did not end when the key was let go";

        // Within the note, past its 5 ms fade in and before its fade out.
        const auto from = start + (int) (0.02 * rate), to = end - (int) (0.02 * rate);
        const auto frequency = tone.measureFrequency (from, to);
        const auto cents = ToneAnalysis::centsBetween (frequency, c4);
        EXPECT_LT (std::abs (cents), 3.0) << "measured " << frequency << " Hz";

        const auto peak = tone.measurePeak (from, to);
        EXPECT_GT (peak, 0.01f) << "too quiet to be the note";
        EXPECT_LT (peak, 0.95f) << "clipped";

        std::cout << "channel " << channel << ": silence for " << start / rate << " s, then " << frequency << " Hz ("
                  << cents << " cents from C4) for " << heldSeconds << " s, peak " << peak << std::endl;

        // A sine stays below a tenth of its peak for a few samples around each zero
        // crossing; a gap of silence lasts far longer. And it can step from one
        // sample to the next by at most 2 pi f / rate of its peak: a dropout or a
        // repeated block jumps further.
        EXPECT_LT (tone.measureLongestQuietRun (from, to, 0.1f * peak), 16) << "a gap in the held note";
        const auto largestStep = juce::MathConstants<double>::twoPi * c4 / rate * peak;
        EXPECT_LT (tone.measureLargestStep (from, to), 1.2 * largestStep + 2 * oneStep) << "a click in the held note";
    }

    std::cout << "recorded " << recording.getNumSamples() / rate << " s; screenshot: "
              << screenshot.getFullPathName() << std::endl;
}
