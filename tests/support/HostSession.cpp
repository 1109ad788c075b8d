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

        // A server name that no server has: without useJackServer() the host finds
        // no JACK server, and never another test's.
        environment["JACK_DEFAULT_SERVER"] = "vexilor-no-server-" + std::to_string (getpid());
        environment["JACK_NO_START_SERVER"] = "1";
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

    juce::StringArray HostSession::findProblemReports (const juce::String& errors)
    {
        juce::StringArray reports;

        for (auto& line : juce::StringArray::fromLines (errors))
            if (line.contains ("Sanitizer") || line.contains ("runtime error:") || line.contains ("Leaked objects")
                 || line.containsIgnoreCase ("segmentation fault") || line.contains ("terminate called"))
                reports.add (line);

        return reports;
    }
}
