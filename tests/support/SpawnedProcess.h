#pragma once

#include <juce_core/juce_core.h>

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <sys/types.h>

namespace TestSupport
{
    //==============================================================================
    /** How a process ended: by exiting with a code, or killed by a signal. */
    struct ExitStatus
    {
        bool exited = false;    // true: ended through exit(); false: killed by a signal
        int code = 0;           // the exit code, or the number of the signal

        static ExitStatus exitCode (int c)  { return { true, c }; }
        static ExitStatus signal (int s)    { return { false, s }; }

        bool operator== (const ExitStatus& other) const noexcept   { return exited == other.exited && code == other.code; }
        bool operator!= (const ExitStatus& other) const noexcept   { return ! operator== (other); }
    };

    std::ostream& operator<< (std::ostream&, const ExitStatus&);

    //==============================================================================
    /**
        A program started by a test with an environment of its own. Its standard output
        and error are captured in files, so that a chatty process never blocks on a full
        pipe. A process still running when this object is deleted is killed and reaped.
    */
    class SpawnedProcess
    {
    public:
        using Environment = std::map<std::string, std::string>;

        /** The environment of the test process, to start from. */
        static Environment currentEnvironment();

        /** Starts the command (the program is looked up on PATH when it has no slash). */
        SpawnedProcess (const juce::StringArray& command, const Environment& environment);
        ~SpawnedProcess();

        bool hasStarted() const noexcept    { return pid > 0; }
        pid_t getPid() const noexcept       { return pid; }

        bool isRunning();

        /** Waits (bounded) for the process to end; nothing if it is still running then. */
        std::optional<ExitStatus> waitForExit (int timeoutMs);

        void sendSignal (int signalNumber);

        juce::String getOutput() const;
        juce::String getErrors() const;

        /** Runs a short command to its end, killing it if it outlives the time given. */
        static ExitStatus run (const juce::StringArray& command, const Environment& environment,
                               int timeoutMs, juce::String* output = nullptr);

    private:
        bool reap (int options);

        juce::File captureFolder;
        pid_t pid = -1;
        std::optional<ExitStatus> status;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SpawnedProcess)
    };
}
