#include "JackServer.h"

#include <csignal>
#include <unistd.h>

namespace TestSupport
{
    static int serversStarted = 0;

    JackServer::JackServer()
        : name ("vexilor-test-" + juce::String (getpid()) + "-" + juce::String (++serversStarted))
    {
        // In step with its clients (--sync): a cycle waits for a client that is late
        // instead of going on without it, so that what is recorded never depends on how
        // soon the scheduler runs a client.
        server = std::make_unique<SpawnedProcess> (juce::StringArray { "jackd", "--no-realtime", "--sync", "-d", "dummy",
                                                                       "-r", juce::String (sampleRate), "-p", "256" },
                                                   clientEnvironment (SpawnedProcess::currentEnvironment()));

        const auto end = juce::Time::getMillisecondCounter() + 10000;

        while (server->isRunning() && juce::Time::getMillisecondCounter() < end)
        {
            if (listPorts().contains ("system:playback_2"))
            {
                running = true;
                break;
            }

            juce::Thread::sleep (20);
        }
    }

    JackServer::~JackServer()
    {
        server->sendSignal (SIGTERM);

        if (! server->waitForExit (5000))
            server->sendSignal (SIGKILL);
    }

    SpawnedProcess::Environment JackServer::clientEnvironment (SpawnedProcess::Environment environment) const
    {
        environment["JACK_DEFAULT_SERVER"] = name.toStdString();
        environment["JACK_NO_START_SERVER"] = "1";
        environment["JACK_NO_AUDIO_RESERVATION"] = "1";
        return environment;
    }

    juce::StringArray JackServer::listPorts() const
    {
        juce::String output;

        if (SpawnedProcess::run ({ "jack_lsp" }, clientEnvironment (SpawnedProcess::currentEnvironment()), 5000, &output)
              != ExitStatus::exitCode (0))
            return {};

        return juce::StringArray::fromLines (output.trim());
    }

    juce::StringArray JackServer::listConnections (const juce::String& port) const
    {
        juce::String output;
        SpawnedProcess::run ({ "jack_lsp", "-c", port }, clientEnvironment (SpawnedProcess::currentEnvironment()), 5000, &output);

        // jack_lsp -c prints the port, then each connection indented below it.
        juce::StringArray connections;

        for (auto& line : juce::StringArray::fromLines (output))
            if (line.startsWithChar (' '))
                connections.add (line.trim());

        return connections;
    }

    juce::String JackServer::waitForClientWithPort (const juce::String& portName, int timeoutMs) const
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

        for (;;)
        {
            for (auto& port : listPorts())
                if (port.endsWith (":" + portName) && ! port.startsWith ("system:"))
                    return port.upToFirstOccurrenceOf (":", false, false);

            if (juce::Time::getMillisecondCounter() >= end)
                return {};

            juce::Thread::sleep (20);
        }
    }

    std::unique_ptr<SpawnedProcess> JackServer::record (const juce::File& wavFile, int seconds,
                                                        const juce::StringArray& ports) const
    {
        juce::StringArray command { "jack_rec", "-f", wavFile.getFullPathName(), "-d", juce::String (seconds) };
        command.addArray (ports);
        return std::make_unique<SpawnedProcess> (command, clientEnvironment (SpawnedProcess::currentEnvironment()));
    }
}
