#include "support/HostSession.h"
#include "support/TestSupport.h"
#include "support/X11Desktop.h"

#include <csignal>
#include <functional>

using namespace TestSupport;

namespace
{
    // A settings file as the host writes it, for a device this machine does not have.
    const char* const rememberedSettings =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "\n"
        "<PROPERTIES>\n"
        "  <VALUE name=\"audioDeviceState\">\n"
        "    <DEVICESETUP deviceType=\"ALSA\" audioOutputDeviceName=\"Studio Interface\" audioInputDeviceName=\"\"/>\n"
        "  </VALUE>\n"
        "</PROPERTIES>\n";
}

//==============================================================================
class HostExitPaths  : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE (desktop.isOpen()) << "no display";
        session.installPlugin (demoInstrument());
    }

    /** Starts the host and waits for its main window. */
    SpawnedProcess& startHost (X11Desktop::WindowId& window)
    {
        auto& host = session.launch();
        window = HostSession::waitForMainWindow (desktop, host);
        EXPECT_NE (window, 0u) << "no main window; errors:\n" << host.getErrors();
        return host;
    }

    X11Desktop desktop;
    HostSession session;
};

TEST_F (HostExitPaths, closeButtonOfTheWindowManagerQuitsWithStatusZero)
{
    X11Desktop::WindowId window = 0;
    auto& host = startHost (window);
    ASSERT_NE (window, 0u);

    // Once start-up is over, away from the centre of the screen where other tests'
    // windows appear.
    X11Desktop::Area area, editor;
    ASSERT_TRUE (HostSession::waitForEditorBelowMenuBar (desktop, host.getPid(), window, area, editor));
    ASSERT_TRUE (desktop.moveToCorner (window));

    ASSERT_TRUE (desktop.clickCloseButton (window)) << "the window has no title bar";
    ASSERT_TRUE (desktop.waitUntil (host.getPid(), [&] { return ! host.isRunning(); }, HostSession::quitTimeoutMs))
        << "the close button did not quit the host";

    EXPECT_TRUE (HostSession::endedCleanly (host));
}

TEST_F (HostExitPaths, sigtermQuitsWithStatusZeroAndLeavesTheSettingsAsTheyWere)
{
    session.writeSettings (juce::String (rememberedSettings));
    const auto modified = session.getSettingsFile().getLastModificationTime();

    X11Desktop::WindowId window = 0;
    auto& host = startHost (window);
    ASSERT_NE (window, 0u);

    host.sendSignal (SIGTERM);

    EXPECT_TRUE (HostSession::endedCleanly (host));
    EXPECT_EQ (session.getSettingsFile().loadFileAsString(), juce::String (rememberedSettings));
    EXPECT_EQ (session.getSettingsFile().getLastModificationTime(), modified);
}

TEST_F (HostExitPaths, secondLaunchExitsAtOnceAndLeavesTheFirstRunning)
{
    session.writeSettings (juce::String (rememberedSettings));
    const auto modified = session.getSettingsFile().getLastModificationTime();

    X11Desktop::WindowId window = 0;
    auto& first = startHost (window);
    ASSERT_NE (window, 0u);

    // It ends before it has looked for the instrument: without one, a start ends with
    // status 1.
    ASSERT_TRUE (session.getPluginFile().deleteFile());
    auto& second = session.launch();
    EXPECT_TRUE (HostSession::endedCleanly (second));

    EXPECT_TRUE (first.isRunning());
    EXPECT_EQ (desktop.getWindowTitles (first.getPid()), juce::StringArray ("Vexilor"));
    EXPECT_EQ (session.getSettingsFile().loadFileAsString(), juce::String (rememberedSettings));
    EXPECT_EQ (session.getSettingsFile().getLastModificationTime(), modified);

    first.sendSignal (SIGTERM);
    EXPECT_TRUE (HostSession::endedCleanly (first));
}

//==============================================================================
/** Something at ~/.vst/Vexilor.so that the host cannot play. */
struct UnplayablePlugin
{
    const char* name;
    std::function<void (const HostSession&)> put;
};

static void writeFile (const juce::File& file, const juce::String& text)
{
    file.getParentDirectory().createDirectory();
    ASSERT_TRUE (file.replaceWithText (text));
}

static const UnplayablePlugin unplayablePlugins[] =
{
    { "missing",            [] (const HostSession&) {} },
    { "emptyFile",          [] (const HostSession& s) { writeFile (s.getPluginFile(), {}); } },
    { "textFile",           [] (const HostSession& s) { writeFile (s.getPluginFile(), "This is not an instrument.\n"); } },
    { "libraryWithoutEntryPoint",
                            [] (const HostSession& s) { s.installPlugin (juce::File (VEXILOR_NO_ENTRY_POINT_LIBRARY)); } },
    { "folder",             [] (const HostSession& s) { writeFile (s.getPluginFile().getChildFile ("Vexilor.so"), "inside"); } },
    { "danglingLink",       [] (const HostSession& s)
                            {
                                s.getPluginFile().getParentDirectory().createDirectory();
                                ASSERT_TRUE (s.getHome().getChildFile ("gone.so").createSymbolicLink (s.getPluginFile(), false));
                            } },
    { "pluginWithoutInstance",
                            [] (const HostSession& s) { s.installPlugin (nullInstrument()); } },
};

/** The lines of the host's error output that name the file. Debug builds of the
    framework trace each load with the path; those lines are not the host's. */
static juce::StringArray linesNaming (const juce::String& path, const juce::String& errors)
{
    juce::StringArray naming;

    for (auto& line : juce::StringArray::fromLines (errors))
        if (line.contains (path) && ! line.startsWith ("Attempting to load VST"))
            naming.add (line);

    return naming;
}

// Names the case in the test's name.
static void PrintTo (const UnplayablePlugin& plugin, std::ostream* stream)   { *stream << plugin.name; }

class PluginFileExitPaths  : public ::testing::TestWithParam<UnplayablePlugin>
{
};

TEST_P (PluginFileExitPaths, exitsWithStatusOneAndOneLineNamingTheFile)
{
    HostSession session;
    GetParam().put (session);

    auto& host = session.launch();
    const auto status = host.waitForExit (HostSession::startTimeoutMs);
    ASSERT_TRUE (status.has_value()) << "the host is still running";
    EXPECT_EQ (*status, ExitStatus::exitCode (1)) << host.getErrors();
    EXPECT_TRUE (HostSession::findProblemReports (host.getErrors()).isEmpty()) << host.getErrors();

    const auto path = session.getPluginFile().getFullPathName();
    const auto naming = linesNaming (path, host.getErrors());
    ASSERT_EQ (naming.size(), 1) << host.getErrors();

    // It says what went wrong, not only which file.
    EXPECT_GE (naming[0].replace (path, {}).trim().length(), 10) << naming[0];

    EXPECT_FALSE (session.getSettingsFile().exists());
}

INSTANTIATE_TEST_SUITE_P (UnplayablePlugins, PluginFileExitPaths, ::testing::ValuesIn (unplayablePlugins),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });

//==============================================================================
// A plug-in that passes the scan (which makes an instance of its own) and then yields
// no instance to play. The warning alert the host posts about it is not waited for.
TEST (PluginThatCannotBeCreated, exitsPromptlyWithStatusOneAndSaysItCouldNotBeInstantiated)
{
    X11Desktop desktop;
    ASSERT_TRUE (desktop.isOpen()) << "no display";

    HostSession session;
    session.installPlugin (juce::File (VEXILOR_ONE_INSTANCE_PLUGIN));

    auto& host = session.launch();
    const auto status = host.waitForExit (HostSession::startTimeoutMs);
    ASSERT_TRUE (status.has_value()) << "the host is still running; windows: "
                                     << desktop.getWindowTitles (host.getPid()).joinIntoString (", ");
    EXPECT_EQ (*status, ExitStatus::exitCode (1)) << host.getErrors();
    EXPECT_TRUE (HostSession::findProblemReports (host.getErrors()).isEmpty()) << host.getErrors();

    const auto path = session.getPluginFile().getFullPathName();
    const auto naming = linesNaming (path, host.getErrors());
    ASSERT_EQ (naming.size(), 1) << host.getErrors();
    EXPECT_TRUE (naming[0].contains ("could not be instantiated")) << naming[0];

    EXPECT_FALSE (session.getSettingsFile().exists());
}
