#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace
{
    // The kernel reports no size for these files, so read until the end. A process may end
    // between listing and reading (the read then fails with ESRCH): that is an empty text.
    juce::String readProcFile (const juce::File& file)
    {
        const auto fd = open (file.getFullPathName().toRawUTF8(), O_RDONLY | O_CLOEXEC);

        if (fd < 0)
            return {};

        std::string text;
        char buffer[512];

        for (;;)
        {
            const auto got = read (fd, buffer, sizeof (buffer));

            if (got <= 0)
            {
                if (got < 0)
                    text.clear();

                break;
            }

            text.append (buffer, (size_t) got);
        }

        close (fd);
        return juce::String (text);
    }

    // Under AddressSanitizer, a helper program that the framework forks (gsettings, when
    // the display is first used) can deadlock in the sanitizer's allocator before it
    // reaches exec, and would then spin for ever after the test. End whatever this
    // process started and left running.
    void endChildProcesses()
    {
        for (const auto& entry : juce::RangedDirectoryIterator (juce::File ("/proc"), false, "*", juce::File::findDirectories))
        {
            const auto name = entry.getFile().getFileName();

            if (! name.containsOnly ("0123456789"))
                continue;

            // "pid (name) state ppid ...": the name may hold anything, so read after its ')'.
            const auto stat = readProcFile (entry.getFile().getChildFile ("stat"));
            const auto fields = juce::StringArray::fromTokens (stat.fromLastOccurrenceOf (")", false, false).trim(), true);

            if (fields.size() > 1 && fields[1].getIntValue() == getpid())
                kill (name.getIntValue(), SIGKILL);
        }
    }
}

int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);

    // The framework sets up X as it does for the program (its X error handler, Xlib's
    // thread support) only inside an application, which the tests stand in for. Without
    // its handler, an X error ends the process: one comes whenever a window of another
    // test vanishes while the framework asks about it.
    juce::JUCEApplicationBase::createInstance = [] () -> juce::JUCEApplicationBase* { return nullptr; };

    // The message manager and the desktop, as the application's start gives them, with X
    // set up before a test opens a connection of its own.
    juce::ScopedJuceInitialiser_GUI framework;
    juce::Desktop::getInstance().getDisplays();
    const auto result = RUN_ALL_TESTS();
    endChildProcesses();
    return result;
}
