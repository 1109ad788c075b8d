/*
    The floor of the host's start-up: what no host of this plug-in can avoid here.
    VexilorHost scans its one plug-in file (which loads and instantiates the plug-in
    once) and then creates the instance that plays (which does it again). This does
    the same two steps through the framework's VST 2 format and prints how long they
    took, in milliseconds. scripts/bench-startup runs it beside the host.

        PluginLoadFloor <plug-in .so>
*/
#include <juce_audio_processors/juce_audio_processors.h>

#include <cstdio>

namespace
{
    // The VST 2 format logs each load; the figure is the only output wanted here.
    struct SilentLogger  : juce::Logger
    {
        SilentLogger()             { setCurrentLogger (this); }
        ~SilentLogger() override   { setCurrentLogger (nullptr); }
        void logMessage (const juce::String&) override {}
    };

    /** The scan and the instance, as the host does them; returns the instance. */
    std::unique_ptr<juce::AudioPluginInstance> scanAndInstantiate (const juce::String& path, juce::String& error)
    {
        juce::VSTPluginFormat format;
        juce::OwnedArray<juce::PluginDescription> found;
        format.findAllTypesForFile (found, path);

        if (found.isEmpty())
        {
            error = "no plug-in in " + path;
            return {};
        }

        // Sample rate and block size 0, as the host's graph asks before a device runs.
        return format.createInstanceFromDescription (*found.getFirst(), 0.0, 0, error);
    }
}

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf (stderr, "usage: %s <plug-in .so>\n", argv[0]);
        return 2;
    }

    // The plug-in is created on the message thread, as in the host.
    juce::ScopedJuceInitialiser_GUI framework;
    SilentLogger logger;

    juce::String error;
    const auto start = juce::Time::getMillisecondCounterHiRes();
    auto instance = scanAndInstantiate (juce::File (argv[1]).getFullPathName(), error);
    const auto elapsed = juce::Time::getMillisecondCounterHiRes() - start;

    if (instance == nullptr)
    {
        std::fprintf (stderr, "PluginLoadFloor: %s\n", error.toRawUTF8());
        return 1;
    }

    std::printf ("%.1f\n", elapsed);
    return 0;
}
