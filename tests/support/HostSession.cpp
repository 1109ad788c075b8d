#include "HostSession.h"
#include "TestSupport.h"

#include <unistd.h>

namespace TestSupport
{
    HostSession::HostSession()
        : home (juce::File ("/tmp").getNonexistentChildFile ("vexilor-session-" + juce::String (getpid()), {}, false)),
          environment (SpawnedProcess::currentEnvironment())
    {
        home.createDirectory();
        environment["HOME"] = home.getFullPathName().toStdString();

        // No audio device but the test's own: without useJackServer() the host finds
        // none at all, whatever the machine has.
        for (const auto& [name, value] : isolatedAudioEnvironment (home.getChildFile ("alsa.conf")))
            environment[name] = value;
    }

    HostSession::~HostSession()
    {
        hosts.clear();
        home.deleteRecursively();
    }

    juce::File HostSession::getPluginFile() const      { return home.getChildFile (".vst/Vexilor.so"); }
    juce::File HostSession::getSettingsFile() const    { return home.getChildFile (".Vexilor/Vexilor.settings"); }

    void HostSession::installPlugin (const juce::File& pluginFile) const
    {
        getPluginFile().getParentDirectory().createDirectory();
        ASSERT_TRUE (pluginFile.copyFileTo (getPluginFile())) << pluginFile.getFullPathName();
    }

    void HostSession::writeSettings (const juce::MemoryBlock& bytes) const
    {
        getSettingsFile().getParentDirectory().createDirectory();

        // replaceWithData deletes the file when given nothing; an empty file is wanted.
        if (bytes.isEmpty())
            ASSERT_TRUE (getSettingsFile().deleteFile() && getSettingsFile().create());
        else
            ASSERT_TRUE (getSettingsFile().replaceWithData (bytes.getData(), bytes.getSize()));
    }

    void HostSession::writeSettings (const juce::String& text) const
    {
        writeSettings (juce::MemoryBlock (text.toRawUTF8(), text.getNumBytesAsUTF8()));
    }

    void HostSession::useJackServer (const JackServer& server)
    {
        environment = server.clientEnvironment (environment);
    }

    SpawnedProcess& HostSession::launch()
    {
        return *hosts.add (new SpawnedProcess ({ hostBinary().getFullPathName() }, environment));
    }

    X11Desktop::WindowId HostSession::waitForMainWindow (X11Desktop& desktop, SpawnedProcess& host)
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) startTimeoutMs;

        while (host.isRunning() && juce::Time::getMillisecondCounter() < end)
            if (auto window = desktop.waitForWindow ("Vexilor", host.getPid(), 100))
                return window;

        return 0;
    }

    bool HostSession::waitForEditorBelowMenuBar (X11Desktop& desktop, pid_t pid, X11Desktop::WindowId& window,
                                                 X11Desktop::Area& windowArea, X11Desktop::Area& editorArea)
    {
        int attempt = 0;

        return desktop.waitUntil (pid, [&]
        {
            if (! desktop.isFramed (window))
                if (auto replacement = desktop.waitForWindow ("Vexilor", pid, 0))
                    window = replacement;

            windowArea = desktop.getArea (window);
            const auto children = desktop.getChildAreas (window);

            if (children.size() != 1)
                return false;

            editorArea = children.getFirst();

            if (editorArea.y <= windowArea.y)
                return false;

            if (desktop.getPixel (editorArea.x + 2, editorArea.y + 2) == demoEditorTitleColour)
                return true;

            // Other tests' windows open at the centre of the screen too, and may cover
            // the editor: bring the window to the front now and then.
            if (attempt++ % 10 == 0)
                desktop.raise (window);

            return false;
        }, startTimeoutMs);
    }

    juce::StringArray HostSession::findProblemReports (const juce::String& errors)
    {
        juce::StringArray reports;

        for (auto& line : juce::StringArray::fromLines (errors))
            if (line.contains ("Sanitizer") || line.contains ("runtime error:") || line.contains ("Leaked objects")
                 || line.containsIgnoreCase ("segmentation fault") || line.contains ("terminate called"))
                reports.add (line);

        return reports;
    }

    ::testing::AssertionResult HostSession::endedCleanly (SpawnedProcess& host, ExitStatus expected)
    {
        const auto status = host.waitForExit (quitTimeoutMs);

        if (! status.has_value())
            return ::testing::AssertionFailure() << "the host is still running";

        if (*status != expected)
            return ::testing::AssertionFailure() << "ended with " << *status << ", expected " << expected
                                                 << "\nerrors:\n" << host.getErrors();

        const auto problems = findProblemReports (host.getErrors());

        if (! problems.isEmpty())
            return ::testing::AssertionFailure() << problems.joinIntoString ("\n");

        return ::testing::AssertionSuccess();
    }
}
