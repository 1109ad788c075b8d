#pragma once

#include <juce_audio_utils/juce_audio_utils.h>

#include "graph/PluginGraph.h"
#include "graph/PluginHostAudioPlayHead.h"
#include "PlugInMainWindow.h"

//==============================================================================
/**
    The host application: it loads the one instrument, plays it through the audio
    device, feeds it the enabled MIDI inputs and shows its editor in the main window,
    with a "System" menu holding the audio settings and the About box.

    It is the framework's application, the only command target, the model of the
    menu bar and the listener of the device manager's change messages.
*/
class PlugInHostApplication  : public juce::JUCEApplication,
                               public juce::MenuBarModel,
                               public juce::ChangeListener
{
public:
    PlugInHostApplication();
    ~PlugInHostApplication() override;

    //==============================================================================
    const juce::String getApplicationName() override       { return "VexilorHost"; }
    const juce::String getApplicationVersion() override    { return "2.1.0"; }
    bool moreThanOneInstanceAllowed() override             { return false; }

    void initialise (const juce::String& commandLine) override;
    void shutdown() override;
    void anotherInstanceStarted (const juce::String&) override {}
    void systemRequestedQuit() override;

    //==============================================================================
    juce::ApplicationCommandTarget* getNextCommandTarget() override;
    void getAllCommands (juce::Array<juce::CommandID>& commands) override;
    void getCommandInfo (juce::CommandID commandID, juce::ApplicationCommandInfo& result) override;
    bool perform (const InvocationInfo& info) override;

    juce::StringArray getMenuBarNames() override;
    juce::PopupMenu getMenuForIndex (int topLevelMenuIndex, const juce::String& menuName) override;
    void menuItemSelected (int menuItemID, int topLevelMenuIndex) override;

    void changeListenerCallback (juce::ChangeBroadcaster* source) override;

    //==============================================================================
    /** Brings the player's MIDI collector to the device's sample rate and empties it. */
    void resetMIDIMessage();

    /** Opens the "Audio Settings" dialog; returns once it is up, without waiting. */
    void showAudioSettings();

    /** Shows the plug-in's and the host's versions in a modal box titled "Vexilor". */
    void showAboutBox();

    //==============================================================================
    // The order of these members is their order of construction; destruction runs
    // the other way, so the format manager outlives the graph that refers to it.
    juce::AudioPluginFormatManager formatManager;
    juce::KnownPluginList knownPluginList;
    juce::AudioDeviceManager deviceManager;
    juce::ApplicationCommandManager commandManager;
    juce::OwnedArray<juce::PluginDescription> typesFound;
    juce::AudioPluginInstance* processor = nullptr;     // owned by the graph's plug-in node
    std::unique_ptr<juce::ApplicationProperties> settings;
    juce::AudioProcessorPlayer player;
    std::unique_ptr<PlugInMainWindow> mainWindow;
    PluginHostAudioPlayHead* playHead = nullptr;        // created by start-up, deleted by shutdown
    std::unique_ptr<PluginGraph> graph;

    /** Where the one instrument is looked for. */
    static juce::String getPluginPath();

    /** The settings key that holds the audio device state. */
    static constexpr const char* deviceStateKey = "audioDeviceState";

private:
    void openSettings();
    void restoreAudioDevice();
    void keepRememberedMidiInputs (const juce::XmlElement& savedState);
    void storeAudioDeviceState();
    void installMenu();
    void removeMenu();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PlugInHostApplication)
};
