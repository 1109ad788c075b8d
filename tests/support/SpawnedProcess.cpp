#include "SpawnedProcess.h"

#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace TestSupport
{
    std::ostream& operator<< (std::ostream& stream, const ExitStatus& status)
    {
        if (status.exited)
            return stream << "exit code " << status.code;

        return stream << "killed by signal " << status.code << " (" << strsignal (status.code) << ")";
    }

    //==============================================================================
    SpawnedProcess::Environment SpawnedProcess::currentEnvironment()
    {
        Environment environment;

        for (auto** entry = environ; *entry != nullptr; ++entry)
        {
            const std::string text (*entry);
            const auto equals = text.find ('=');

            if (equals != std::string::npos)
                environment[text.substr (0, equals)] = text.substr (equals + 1);
        }

        return environment;
    }

    SpawnedProcess::SpawnedProcess (const juce::StringArray& command, const Environment& environment)
        : captureFolder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                             .getNonexistentChildFile ("vexilor-process-" + juce::String (getpid()), {}, false))
    {
        jassert (! command.isEmpty());
        captureFolder.createDirectory();

        // Everything the child needs is built before fork: after it, only system calls.
        std::vector<std::string> argumentStrings, environmentStrings;

        for (auto& argument : command)
            argumentStrings.push_back (argument.toStdString());

        for (auto& [name, value] : environment)
            environmentStrings.push_back (name + "=" + value);

        std::vector<char*> arguments, variables;

        for (auto& a : argumentStrings)     arguments.push_back (a.data());
        for (auto& v : environmentStrings)  variables.push_back (v.data());

        arguments.push_back (nullptr);
        variables.push_back (nullptr);

        const auto outputPath = captureFolder.getChildFile ("stdout").getFullPathName().toStdString();
        const auto errorPath  = captureFolder.getChildFile ("stderr").getFullPathName().toStdString();

        const auto parent = getpid();
        pid = fork();

        if (pid == 0)
        {
            // A test that dies leaves nothing running behind it.
            ::prctl (PR_SET_PDEATHSIG, SIGKILL);

            // A group of its own, which the destructor ends with everything the child
            // started (see there).
            ::setpgid (0, 0);

            if (getppid() != parent)
                _exit (125);

            const auto output = ::open (outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const auto errors = ::open (errorPath.c_str(),  O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const auto input  = ::open ("/dev/null", O_RDONLY);

            if (output < 0 || errors < 0 || input < 0)
                _exit (126);

            ::dup2 (input, 0);
            ::dup2 (output, 1);
            ::dup2 (errors, 2);

            // Nothing of the test process (its display connection, its files) leaks in.
            ::close_range (3, ~0u, 0);

            // The signal mask and dispositions survive exec; give the child the defaults.
            sigset_t none;
            sigemptyset (&none);
            sigprocmask (SIG_SETMASK, &none, nullptr);
            ::signal (SIGTERM, SIG_DFL);
            ::signal (SIGINT, SIG_DFL);
            ::signal (SIGPIPE, SIG_DFL);

            ::execvpe (arguments[0], arguments.data(), variables.data());
            _exit (127);
        }
    }

    SpawnedProcess::~SpawnedProcess()
    {
        if (pid > 0 && ! status.has_value())
        {
            ::kill (pid, SIGKILL);
            reap (0);
        }

        // Under AddressSanitizer, a child that the framework forks to run a helper
        // program (gsettings) can deadlock in the sanitizer's allocator before it
        // reaches exec, and then spins for ever holding the host's single-instance
        // lock. Nothing the process started may outlive the test.
        if (pid > 0)
            ::kill (-pid, SIGKILL);

        captureFolder.deleteRecursively();
    }

    bool SpawnedProcess::reap (int options)
    {
        if (status.has_value())
            return true;

        if (pid <= 0)
            return false;

        int raw = 0;
        pid_t result;

        do
        {
            result = ::waitpid (pid, &raw, options);
        }
        while (result < 0 && errno == EINTR);

        if (result != pid)
            return false;

        status = WIFEXITED (raw) ? ExitStatus::exitCode (WEXITSTATUS (raw))
                                 : ExitStatus::signal (WTERMSIG (raw));
        return true;
    }

    bool SpawnedProcess::isRunning()
    {
        return pid > 0 && ! reap (WNOHANG);
    }

    std::optional<ExitStatus> SpawnedProcess::waitForExit (int timeoutMs)
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

        while (isRunning())
        {
            if (juce::Time::getMillisecondCounter() >= end)
                return {};

            juce::Thread::sleep (5);
        }

        return status;
    }

    void SpawnedProcess::sendSignal (int signalNumber)
    {
        if (pid > 0 && ! status.has_value())
            ::kill (pid, signalNumber);
    }

    juce::String SpawnedProcess::getOutput() const  { return captureFolder.getChildFile ("stdout").loadFileAsString(); }
    juce::String SpawnedProcess::getErrors() const  { return captureFolder.getChildFile ("stderr").loadFileAsString(); }

    ExitStatus SpawnedProcess::run (const juce::StringArray& command, const Environment& environment,
                                    int timeoutMs, juce::String* output)
    {
        SpawnedProcess process (command, environment);
        auto result = process.waitForExit (timeoutMs);

        if (output != nullptr)
            *output = process.getOutput();

        return result.value_or (ExitStatus::signal (SIGKILL));
    }
}
