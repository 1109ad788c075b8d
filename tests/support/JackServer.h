#pragma once

#include "SpawnedProcess.h"

#include <memory>

namespace TestSupport
{
    //==============================================================================
    /**
        A JACK server with its dummy back-end (48 kHz, 256-sample periods), which runs
        at real time without a sound card, in step with its clients. It has a name of
        its own, so that it never meets another test's server; clients find it through
        clientEnvironment(). The server is stopped when this object is deleted.
    */
    class JackServer
    {
    public:
        JackServer();
        ~JackServer();

        /** True once the server answers its clients. */
        bool isRunning() const noexcept                 { return running; }
        const juce::String& getName() const noexcept    { return name; }

        /** The environment with this server as the default one, and no server ever
            started on a client's behalf.
        */
        SpawnedProcess::Environment clientEnvironment (SpawnedProcess::Environment environment) const;

        /** The server's ports, as "client:port". */
        juce::StringArray listPorts() const;

        /** The ports connected to the port given. */
        juce::StringArray listConnections (const juce::String& port) const;

        /** Waits (bounded) for a port of a client other than the server's own ("system")
            whose name is "<client>:<portName>"; returns the client's name, or nothing.
        */
        juce::String waitForClientWithPort (const juce::String& portName, int timeoutMs) const;

        /** Starts jack_rec recording the ports into a WAV file for so many seconds. */
        std::unique_ptr<SpawnedProcess> record (const juce::File& wavFile, int seconds,
                                                const juce::StringArray& ports) const;

        static constexpr int sampleRate = 48000;

    private:
        juce::String name;
        std::unique_ptr<SpawnedProcess> server;
        bool running = false;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (JackServer)
    };
}
