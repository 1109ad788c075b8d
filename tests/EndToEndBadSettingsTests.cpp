#include "support/HostSession.h"
#include "support/JackServer.h"
#include "support/TestSupport.h"
#include "support/X11Desktop.h"

#include <csignal>
#include <cstring>
#include <functional>

using namespace TestSupport;

namespace
{
    /** A settings file as the framework writes it, holding this device state. */
    juce::String settingsHolding (const juce::String& deviceSetup, const juce::String& moreValues = {})
    {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "\n"
               "<PROPERTIES>\n"
               "  <VALUE name=\"audioDeviceState\">\n"
               "    " + deviceSetup + "\n"
               "  </VALUE>\n"
               + moreValues +
               "</PROPERTIES>\n";
    }

    // The JACK server's own ports as the output device: what a user who chose JACK has.
    const juce::String jackDevice = "deviceType=\"JACK\" audioOutputDeviceName=\"system\" audioInputDeviceName=\"system\"";

    juce::String jackSetup (const juce::String& moreAttributes = {})
    {
        return "<DEVICESETUP " + jackDevice + " " + moreAttributes + "/>";
    }

    /** Opens the "Audio Settings" dialog with its key, Ctrl+comma. Other tests' windows
        may take the keyboard focus at any moment (the window manager gives it to every
        new window), so a key that went astray is typed again.
    */
    ::testing::AssertionResult openAudioSettings (X11Desktop& desktop, X11Desktop::WindowId& window, pid_t pid,
                                                  X11Desktop::WindowId& dialog)
    {
        // Once start-up is over, away from the centre of the screen, where other
        // tests' windows appear.
        X11Desktop::Area area, editor;

        if (! HostSession::waitForEditorBelowMenuBar (desktop, pid, window, area, editor))
            return ::testing::AssertionFailure() << "the main window shows no editor below a menu bar (window "
                                                 << area.x << "," << area.y << " " << area.width << "x" << area.height
                                                 << ", " << desktop.getChildAreas (window).size() << " child windows, the first "
                                                 << editor.x << "," << editor.y << " " << editor.width << "x" << editor.height
                                                 << ", showing #" << juce::String::toHexString ((int) desktop.getPixel (editor.x + 2, editor.y + 2)) << ")";

        dialog = 0;

        for (int attempt = 0; attempt < 3 && dialog == 0; ++attempt)
        {
            if (! desktop.moveToCorner (window) || ! desktop.pressKeys ("ctrl+comma"))
                return ::testing::AssertionFailure() << "could not type into the main window";

            dialog = desktop.waitForWindow ("Audio Settings", pid, 10000);
        }

        if (dialog == 0)
            return ::testing::AssertionFailure() << "Ctrl+comma opened no \"Audio Settings\" dialog";

        return ::testing::AssertionSuccess();
    }

    /** Opens the "Audio Settings" dialog, then closes it with Escape and waits until the
        host has finished with it: it stores the setup, then destroys the window.
    */
    ::testing::AssertionResult openAndCloseAudioSettings (X11Desktop& desktop, X11Desktop::WindowId window, pid_t pid)
    {
        X11Desktop::WindowId dialog = 0;

        if (auto opened = openAudioSettings (desktop, window, pid, dialog); ! opened)
            return opened;

        for (int attempt = 0; attempt < 3; ++attempt)
        {
            if (! desktop.activate (dialog) || ! desktop.pressKeys ("Escape"))
                return ::testing::AssertionFailure() << "could not type into the dialog";

            if (desktop.waitForWindowToBeDestroyed (dialog, pid, 10000))
                return ::testing::AssertionSuccess();
        }

        return ::testing::AssertionFailure() << "Escape did not close the dialog";
    }

    /** Whether the file holds exactly these bytes. */
    ::testing::AssertionResult holdsExactly (const juce::File& file, const juce::MemoryBlock& bytes)
    {
        juce::MemoryBlock held;

        if (! file.existsAsFile() || ! file.loadFileAsData (held))
            return ::testing::AssertionFailure() << "the file is gone";

        // Not MemoryBlock's ==, which hands the null data of an empty block to memcmp.
        if (held.getSize() != bytes.getSize()
             || (! bytes.isEmpty() && std::memcmp (held.getData(), bytes.getData(), bytes.getSize()) != 0))
            return ::testing::AssertionFailure() << "the file changed (" << bytes.getSize() << " bytes before, "
                                                 << held.getSize() << " after)";

        return ::testing::AssertionSuccess();
    }

    /** The device state element that a settings file holds, if any. */
    std::unique_ptr<juce::XmlElement> storedDeviceSetup (const juce::File& settingsFile)
    {
        const auto document = juce::parseXML (settingsFile);

        if (document == nullptr)
            return {};

        if (auto* value = document->getChildByAttribute ("name", "audioDeviceState"))
            if (auto* setup = value->getChildByName ("DEVICESETUP"))
                return std::make_unique<juce::XmlElement> (*setup);

        return {};
    }
}

//==============================================================================
/** The host with the demo instrument and a JACK server, on a settings file of the test's. */
class HostWithSettings  : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE (desktop.isOpen()) << "no display";
        ASSERT_TRUE (jack.isRunning()) << "jackd did not start";
        session.installPlugin (demoInstrument());
        session.useJackServer (jack);
    }

    /** Starts the host and waits for its main window and for its audio device. */
    SpawnedProcess& startHost (X11Desktop::WindowId& window)
    {
        auto& host = session.launch();
        window = HostSession::waitForMainWindow (desktop, host);
        EXPECT_NE (window, 0u) << "no main window; errors:\n" << host.getErrors();

        if (window != 0)
        {
            EXPECT_TRUE (jack.waitForClientWithPort ("out_2", HostSession::startTimeoutMs).isNotEmpty())
                << "the host opened no audio device";
        }

        return host;
    }

    X11Desktop desktop;
    JackServer jack;
    HostSession session;
};

//==============================================================================
/** A settings file that no user chose: the host must start, play on a device it can
    open, quit cleanly, and leave the file exactly as it found it. */
struct BadSettingsFile
{
    const char* name;
    std::function<juce::MemoryBlock()> make;
};

static juce::MemoryBlock randomBytes (int size)
{
    juce::Random random (20261208);
    juce::MemoryBlock block ((size_t) size);

    for (size_t i = 0; i < block.getSize(); ++i)
        block[i] = (char) random.nextInt (256);

    return block;
}

static juce::MemoryBlock nested (int depth)
{
    juce::String opening, closing;

    for (int i = 0; i < depth; ++i)
    {
        opening << "<MIDIINPUT name=\"level " << i << "\">";
        closing << "</MIDIINPUT>";
    }

    return bytesOf (settingsHolding ("<DEVICESETUP " + jackDevice + ">" + opening + closing + "</DEVICESETUP>"));
}

// Deeper than the framework's XML reader, which recurses once per level, can follow
// on the stack: ~200 KB.
static juce::MemoryBlock nestedDeeperThanTheReaderCanFollow()
{
    const auto depth = 30000;
    return bytesOf (settingsHolding ("<DEVICESETUP " + jackDevice + ">"
                                     + juce::String::repeatedString ("<a>", depth) + juce::String::repeatedString ("</a>", depth)
                                     + "</DEVICESETUP>"));
}

// The same depth inside the stored device state, as escaped text: the file itself is flat.
static juce::MemoryBlock deviceStateNestedDeeperThanTheReaderCanFollow()
{
    const auto depth = 30000;
    return bytesOf ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n"
                    "  <VALUE name=\"audioDeviceState\" val=\"&lt;DEVICESETUP deviceType=&quot;JACK&quot;&gt;"
                    + juce::String::repeatedString ("&lt;a&gt;", depth) + juce::String::repeatedString ("&lt;/a&gt;", depth)
                    + "&lt;/DEVICESETUP&gt;\"/>\n</PROPERTIES>\n");
}

static juce::MemoryBlock utf16Settings()
{
    return utf16WithByteOrderMark (settingsHolding (jackSetup()).replace ("UTF-8", "UTF-16"));
}

static juce::MemoryBlock veryLarge()
{
    // A device state among 24 MB that some other program left behind: a comment and
    // a long value.
    const juce::String line ("0123456789abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ\n");
    juce::MemoryOutputStream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n<!--\n";

    while (out.getDataSize() < 12 * 1024 * 1024)
        out << line;

    out << "-->\n  <VALUE name=\"audioDeviceState\">\n    " << jackSetup() << "\n  </VALUE>\n"
        << "  <VALUE name=\"leftBehind\" val=\"";

    while (out.getDataSize() < 24 * 1024 * 1024)
        out << line;

    out << "\"/>\n</PROPERTIES>\n";
    return out.getMemoryBlock();
}

static const BadSettingsFile badSettingsFiles[] =
{
    { "binaryGarbage",          [] { return randomBytes (64 * 1024); } },
    { "truncatedXml",           [] { const auto text = settingsHolding (jackSetup()); return bytesOf (text.substring (0, text.length() * 2 / 3)); } },
    { "emptyFile",              [] { return juce::MemoryBlock(); } },
    { "veryLargeFile",          [] { return veryLarge(); } },
    { "deepNesting",            [] { return nested (2000); } },
    { "nestedDeeperThanTheReaderCanFollow",
                                [] { return nestedDeeperThanTheReaderCanFollow(); } },
    { "deviceStateNestedDeeperThanTheReaderCanFollow",
                                [] { return deviceStateNestedDeeperThanTheReaderCanFollow(); } },
    { "utf16WithByteOrderMark", [] { return utf16Settings(); } },
    { "utf8ByteOrderMark",      [] { return bytesOf (juce::String::fromUTF8 ("\xef\xbb\xbf") + settingsHolding (jackSetup())); } },
    { "bytesThatAreNotUtf8",    []
                                {
                                    auto text = settingsHolding ("<DEVICESETUP deviceType=\"JACK\" audioOutputDeviceName=\"syst@m\"/>");
                                    auto bytes = bytesOf (text);
                                    auto* data = static_cast<char*> (bytes.getData());
                                    const auto at = text.indexOf ("@");
                                    data[at] = (char) 0xe9;   // Latin-1, invalid in UTF-8
                                    return bytes;
                                } },
    { "keyTwice",               [] { return bytesOf (settingsHolding (jackSetup(),
                                         "  <VALUE name=\"audioDeviceState\">\n    <DEVICESETUP deviceType=\"ALSA\" audioOutputDeviceName=\"hw:7\"/>\n  </VALUE>\n")); } },
    { "negativeRateAndBufferSize",
                                [] { return bytesOf (settingsHolding (jackSetup ("audioDeviceRate=\"-48000\" audioDeviceBufferSize=\"-256\""))); } },
    { "hugeRateAndBufferSize",  [] { return bytesOf (settingsHolding (jackSetup ("audioDeviceRate=\"1e308\" audioDeviceBufferSize=\"2147483647\""))); } },
    { "channelBitsNotZeroOrOne",
                                [] { return bytesOf (settingsHolding (jackSetup ("audioDeviceInChans=\"2x-\" audioDeviceOutChans=\"1111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111112\""))); } },
    { "unknownDeviceType",      [] { return bytesOf (settingsHolding ("<DEVICESETUP deviceType=\"Carrier Pigeon\" audioOutputDeviceName=\"Loft\" audioInputDeviceName=\"\"/>")); } },
    { "unknownDeviceName",      [] { return bytesOf (settingsHolding ("<DEVICESETUP deviceType=\"JACK\" audioOutputDeviceName=\"No Such Device\" audioInputDeviceName=\"\"/>")); } },
    { "valueThatIsNotXml",      [] { return bytesOf ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n"
                                                     "  <VALUE name=\"audioDeviceState\" val=\"&lt;DEVICESETUP deviceType=&quot;JACK\"/>\n</PROPERTIES>\n"); } },
};

// Names the case in the test's name.
static void PrintTo (const BadSettingsFile& file, std::ostream* stream)   { *stream << file.name; }

class SettingsFileCases  : public HostWithSettings,
                           public ::testing::WithParamInterface<BadSettingsFile>
{
};

TEST_P (SettingsFileCases, hostPlaysQuitsCleanlyAndLeavesTheFileAsItWas)
{
    const auto original = GetParam().make();
    session.writeSettings (original);

    X11Desktop::WindowId window = 0;
    auto& host = startHost (window);
    ASSERT_NE (window, 0u);

    host.sendSignal (SIGTERM);
    EXPECT_TRUE (HostSession::endedCleanly (host));
    EXPECT_TRUE (holdsExactly (session.getSettingsFile(), original));
}

INSTANTIATE_TEST_SUITE_P (BadSettingsFiles, SettingsFileCases, ::testing::ValuesIn (badSettingsFiles),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });

//==============================================================================
/** A quit that does not wait for the "Audio Settings" dialog to close. */
enum class QuitPath { quitSignal, closeButton };

class QuitWithTheDialogOpen  : public HostWithSettings,
                               public ::testing::WithParamInterface<QuitPath>
{
};

TEST_P (QuitWithTheDialogOpen, endsCleanlyAndStoresNothing)
{
    // Closing the dialog would store the restored state anew, in the framework's form.
    const auto original = bytesOf (settingsHolding (jackSetup()));
    session.writeSettings (original);

    X11Desktop::WindowId window = 0, dialog = 0;
    auto& host = startHost (window);
    ASSERT_NE (window, 0u);
    ASSERT_TRUE (openAudioSettings (desktop, window, host.getPid(), dialog)) << host.getErrors();

    if (GetParam() == QuitPath::quitSignal)
        host.sendSignal (SIGTERM);
    else
        ASSERT_TRUE (desktop.clickCloseButton (window));

    EXPECT_TRUE (desktop.waitUntil (host.getPid(), [&] { return ! host.isRunning(); }, HostSession::quitTimeoutMs));
    EXPECT_TRUE (HostSession::endedCleanly (host));
    EXPECT_TRUE (holdsExactly (session.getSettingsFile(), original));
}

INSTANTIATE_TEST_SUITE_P (QuitPaths, QuitWithTheDialogOpen,
                          ::testing::Values (QuitPath::quitSignal, QuitPath::closeButton),
                          [] (const auto& testInfo) { return testInfo.param == QuitPath::quitSignal ? "quitSignal" : "closeButton"; });

//==============================================================================
TEST_F (HostWithSettings, rememberedMidiInputThatIsAbsentStaysRememberedWhenTheDialogCloses)
{
    const auto original = settingsHolding ("<DEVICESETUP " + jackDevice + ">"
                                           "<MIDIINPUT name=\"Vexilor Test Keyboard\" identifier=\"vexilor-test-keyboard\"/>"
                                           "</DEVICESETUP>");
    session.writeSettings (original);

    X11Desktop::WindowId window = 0;
    auto& host = startHost (window);
    ASSERT_NE (window, 0u);

    // The first close after a restore writes the state (in the framework's new form).
    ASSERT_TRUE (openAndCloseAudioSettings (desktop, window, host.getPid()))
        << (host.isRunning() ? "the host runs" : "the host has ended") << "; errors:\n" << host.getErrors();
    ASSERT_TRUE (runMessageLoopUntil ([&] { return session.getSettingsFile().loadFileAsString() != original; }, 10000))
        << "closing the dialog wrote nothing";

    host.sendSignal (SIGTERM);
    EXPECT_TRUE (HostSession::endedCleanly (host));

    const auto setup = storedDeviceSetup (session.getSettingsFile());
    ASSERT_NE (setup, nullptr) << session.getSettingsFile().loadFileAsString();
    EXPECT_EQ (setup->getStringAttribute ("deviceType"), "JACK");

    auto* input = setup->getChildByName ("MIDIINPUT");
    ASSERT_NE (input, nullptr) << "the remembered MIDI input was forgotten:\n" << session.getSettingsFile().loadFileAsString();
    EXPECT_EQ (input->getStringAttribute ("name"), "Vexilor Test Keyboard");
    EXPECT_EQ (input->getStringAttribute ("identifier"), "vexilor-test-keyboard");
}

TEST_F (HostWithSettings, settingsThatCannotBeWrittenAreWrittenAtShutdownOnceTheyCan)
{
    session.writeSettings (settingsHolding (jackSetup()));

    X11Desktop::WindowId window = 0;
    auto& host = startHost (window);
    ASSERT_NE (window, 0u);

    // Block the settings folder: a file stands where the folder should be (permissions
    // don't stop root).
    const auto folder = session.getSettingsFile().getParentDirectory();
    ASSERT_TRUE (folder.moveFileTo (session.getHome().getChildFile ("settings-put-aside")));
    ASSERT_TRUE (folder.replaceWithText ("in the way"));

    // The first close after a restore stores the state, which cannot be written now.
    ASSERT_TRUE (openAndCloseAudioSettings (desktop, window, host.getPid()))
        << (host.isRunning() ? "the host runs" : "the host has ended") << "; errors:\n" << host.getErrors();

    // Nothing is reported: no alert, no message, and the host plays on.
    EXPECT_TRUE (host.isRunning());
    EXPECT_EQ (desktop.getWindowTitles (host.getPid()), juce::StringArray ("Vexilor"));
    EXPECT_FALSE (host.getErrors().contains (".Vexilor")) << host.getErrors();

    // Lift the block: the change still waits, and shutdown writes it at the latest.
    ASSERT_TRUE (folder.deleteFile());

    host.sendSignal (SIGTERM);
    EXPECT_TRUE (HostSession::endedCleanly (host));

    const auto setup = storedDeviceSetup (session.getSettingsFile());
    ASSERT_NE (setup, nullptr) << "nothing written at shutdown: " << session.getSettingsFile().loadFileAsString();
    EXPECT_EQ (setup->getStringAttribute ("deviceType"), "JACK");
    EXPECT_EQ (setup->getStringAttribute ("audioOutputDeviceName"), "system");
}
