#include "QuitSignals.h"

#if JUCE_LINUX || JUCE_BSD

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace
{
    // The handler may only do async-signal-safe work: it writes one byte into a pipe
    // whose other end the message loop watches. The pipe lives as long as the process,
    // so a handler still running on another thread never writes to a closed descriptor.
    int pipeEnds[2] = { -1, -1 };
    bool watching = false;

    extern "C" void onQuitSignal (int)
    {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write (pipeEnds[1], &byte, 1);
    }

    void setHandler (void (*handler) (int))
    {
        struct sigaction action {};
        action.sa_handler = handler;
        sigemptyset (&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction (SIGTERM, &action, nullptr);
        sigaction (SIGINT, &action, nullptr);
    }
}

void QuitSignals::install()
{
    if (watching || (pipeEnds[0] < 0 && ::pipe2 (pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0))
        return;

    watching = true;

    juce::LinuxEventLoop::registerFdCallback (pipeEnds[0], [] (int fd)
    {
        char bytes[16];

        while (::read (fd, bytes, sizeof (bytes)) > 0) {}

        if (auto* app = juce::JUCEApplicationBase::getInstance())
            app->systemRequestedQuit();
    });

    setHandler (onQuitSignal);
}

void QuitSignals::remove()
{
    if (! watching)
        return;

    setHandler (SIG_DFL);
    juce::LinuxEventLoop::unregisterFdCallback (pipeEnds[0]);
    watching = false;
}

#else

void QuitSignals::install() {}
void QuitSignals::remove() {}

#endif
