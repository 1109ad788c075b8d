#pragma once

#include "JackServer.h"
#include "SpawnedProcess.h"
#include "X11Desktop.h"

#include <gtest/gtest.h>
#include <memory>

namespace TestSupport
{
    //==============================================================================
    /**
        The built VexilorHost program, run as a user would run it: in a home folder of
        its own (the plug-in at ~/.vst/Vexilor.so, the settings at
        ~/.Vexilor/Vexilor.settings) on the test's display. Without a JACK server of
        the test's it sees no audio device at all, whatever the machine has; with one,
        the framework opens that server.
        A host still running when the session ends is killed; the folder is deleted.
    */
    class HostSession
    {
    public:
        HostSession();
        ~HostSession();

        const juce::File& getHome() const noexcept   { return home; }
        juce::File getPluginFile() const;
        juce::File getSettingsFile() const;

        /** Copies a plug-in file to ~/.vst/Vexilor.so. */
        void installPlugin (const juce::File& pluginFile) const;

        /** Writes the settings file with exactly these bytes. */
        void writeSettings (const juce::MemoryBlock& bytes) const;
        void writeSettings (const juce::String& text) const;

        /** The host's audio goes to this server from the next launch on. */
        void useJackServer (const JackServer& server);

        /** Starts the host; each call starts another copy. */
        SpawnedProcess& launch();

        /** Waits (bounded) for the host's main window, titled "Vexilor"; 0 if the host
            ends, or the time is up, before it shows one. Early in start-up this may be
            the framework's first window, which it replaces (see waitForEditorBelowMenuBar).
        */
        static X11Desktop::WindowId waitForMainWindow (X11Desktop& desktop, SpawnedProcess& host);

        /** Waits (bounded) for the end of the host's start-up as its main window shows
            it: the "System" menu bar above the demo instrument's editor, which has
            painted its title. Gives the window's and the editor's areas.

            The framework shows a first window while it sets up the native title bar and
            replaces it at once, so the window found earlier may be gone: the window is
            then the process's "Vexilor" window that stays.
        */
        static bool waitForEditorBelowMenuBar (X11Desktop& desktop, pid_t pid, X11Desktop::WindowId& window,
                                               X11Desktop::Area& windowArea, X11Desktop::Area& editorArea);

        /** The colour of the demo instrument's title, at the top of its editor. */
        static constexpr juce::uint32 demoEditorTitleColour = 0x203040;

        /** The lines of the host's error output that report a crash, a sanitizer
            finding or a leak.
        */
        static juce::StringArray findProblemReports (const juce::String& errors);

        /** Waits (bounded) for the host to end, and says whether it ended with this
            status and reported no problem.
        */
        static ::testing::AssertionResult endedCleanly (SpawnedProcess& host,
                                                        ExitStatus expected = ExitStatus::exitCode (0));

        /** How long a host gets for a step (start-up, quitting): generous, since the
            sanitizer build runs many times slower. There, the framework's reading of a
            settings value of half a megabyte of escaped text alone takes 20 s on four
            cores, and more than 60 s on a busy machine.
        */
        static constexpr int startTimeoutMs = 120000;
        static constexpr int quitTimeoutMs = 15000;

    private:
        juce::File home;
        SpawnedProcess::Environment environment;
        juce::OwnedArray<SpawnedProcess> hosts;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HostSession)
    };
}
