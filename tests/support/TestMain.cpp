#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <csignal>
#include <fstream>
#include <unistd.h>

namespace
{
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
            // The kernel reports no size for these files, so read them as a stream.
            std::ifstream file (entry.getFile().getChildFile ("stat").getFullPathName().toStdString());
            const auto stat = juce::String (std::string (std::istreambuf_iterator<char> (file), {}));
            const auto fields = juce::StringArray::fromTokens (stat.fromLastOccurrenceOf (")", false, false).trim(), true);

            if (fields.size() > 1 && fields[1].getIntValue() == getpid())
                kill (name.getIntValue(), SIGKILL);
        }
    }
}

int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);

    // The message manager and the desktop, as the application's start gives them.
    juce::ScopedJuceInitialiser_GUI framework;
    const auto result = RUN_ALL_TESTS();
    endChildProcesses();
    return result;
}
