#pragma once

#include <juce_audio_utils/juce_audio_utils.h>
#include <gtest/gtest.h>

#include <functional>

namespace TestSupport
{
    //==============================================================================
    /** The demo instrument and its variants, as built next to the tests. */
    juce::File demoInstrument();            // one sine voice per note, stereo, editor 600 x 240
    juce::File demoInstrumentNoEditor();
    juce::File demoInstrumentMono();
    juce::File demoInstrumentResizing();    // editor takes the size program 0 or 1 asks for
    juce::File nullInstrument();            // loads, but its entry point yields no instance

    /** The built host program. */
    juce::File hostBinary();

    /** A description of the plug-in in the file, from a real scan with the VST 2 format. */
    juce::PluginDescription scanPlugin (const juce::File& pluginFile);

    //==============================================================================
    /** A fresh home folder for this process: sets HOME for its lifetime, then restores
        it and deletes the folder. The framework reads HOME whenever it expands "~".
    */
    class ScopedHome
    {
    public:
        ScopedHome();
        ~ScopedHome();

        const juce::File& getHome() const noexcept   { return home; }

        /** Copies a plug-in file to ~/.vst/Vexilor.so, where the host looks for it. */
        void installPlugin (const juce::File& pluginFile) const;

        /** ~/.Vexilor/Vexilor.settings, where the host keeps its settings here. */
        juce::File settingsFile() const;

    private:
        juce::File home;
        juce::String previousHome;
    };

    //==============================================================================
    /** Runs the message loop until the condition holds or the time is up; returns
        whether it held.
    */
    bool runMessageLoopUntil (const std::function<bool()>& condition, int timeoutMs = 5000);

    /** Runs the message loop for a while, for things that happen "later" and leave
        nothing to wait on (the absence of an event).
    */
    void runMessageLoopFor (int milliseconds);

    /** The text's UTF-8 bytes, as a file would hold them. */
    juce::MemoryBlock bytesOf (const juce::String& text);

    /** The text as UTF-16 (little-endian) behind a byte-order mark. */
    juce::MemoryBlock utf16WithByteOrderMark (const juce::String& text);

    /** The alert windows currently on the desktop. */
    juce::Array<juce::AlertWindow*> alertWindowsOnDesktop();
}
