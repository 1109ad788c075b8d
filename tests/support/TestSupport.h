#pragma once

#include <juce_audio_utils/juce_audio_utils.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

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
    /** The environment that leaves the audio libraries no device but those a test brings
        itself, whatever the machine has: ALSA reads the one configuration file given
        (not the machine's nor the user's, so it finds no sound card), and JACK looks for
        a server of a name that none has, and starts none. A test's own JACK server
        gives its name over this one. The configuration file is written anew, with no
        device in it.
    */
    std::map<std::string, std::string> isolatedAudioEnvironment (const juce::File& alsaConfiguration);

    //==============================================================================
    /** A fresh home folder for this process: sets HOME for its lifetime, then restores
        it and deletes the folder. The framework reads HOME whenever it expands "~".
        For the same time, the audio libraries see only the devices that the test gives
        in alsaConfiguration(), which starts with none.
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

        /** The only ALSA configuration file this process reads while the home exists. */
        juce::File alsaConfiguration() const;

    private:
        juce::File home;
        std::map<std::string, std::optional<std::string>> previousVariables;
    };

    //==============================================================================
    /** Runs the message loop until the condition holds or the time is up; returns
        whether it held.
    */
    bool runMessageLoopUntil (const std::function<bool()>& condition, int timeoutMs = 5000);

    /** Runs the message loop until every message posted so far has been delivered:
        after it, whatever was to happen "later" has happened, or never will.
    */
    void deliverPendingMessages();

    /** The text's UTF-8 bytes, as a file would hold them. */
    juce::MemoryBlock bytesOf (const juce::String& text);

    /** The text as UTF-16 (little-endian) behind a byte-order mark. */
    juce::MemoryBlock utf16WithByteOrderMark (const juce::String& text);

    /** The alert windows currently on the desktop. */
    juce::Array<juce::AlertWindow*> alertWindowsOnDesktop();
}
