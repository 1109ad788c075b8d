#pragma once

#include "TestSupport.h"
#include "app/PlugInHostApplication.h"

//==============================================================================
/**
    A test that drives the host application object in its own process, with a home
    folder of its own. The test creates or starts the application, drives the message
    loop, and may stop it; whatever is still running at the end is shut down and
    deleted, as the framework does at exit.
*/
class HostApplicationFixture  : public ::testing::Test
{
protected:
    HostApplicationFixture();
    ~HostApplicationFixture() override;

    /** Creates the application object without starting it: the state a second launch
        leaves it in.
    */
    PlugInHostApplication& create();

    /** Creates the application object and runs its start-up. */
    PlugInHostApplication& start();

    /** Runs shutdown, then deletes the application object. Does nothing when there is none. */
    void stop();

    /** Gives the process one ALSA device, "default", which writes its raw samples to
        the given file and is not paced. ALSA reads its configuration anew at the next
        opening of a device once the file has changed.
    */
    void useAlsaDevice (const juce::File& output = juce::File ("/dev/null")) const;

    /** Gives the process one ALSA device, "default", that is listed but fails whenever
        it is opened: it plays into a device that the configuration does not define.
    */
    void useAlsaDeviceThatCannotOpen() const;

    /** The device setup stored under "audioDeviceState" in the user's settings file, or
        null when there is none.
    */
    std::unique_ptr<juce::XmlElement> storedDeviceSetup() const;

    /** The device the application's device manager has open, or null. */
    juce::AudioIODevice* currentDevice() const;

    //==============================================================================
    /** The "Audio Settings" dialogs on the desktop, oldest first. */
    static juce::Array<juce::DialogWindow*> audioSettingsDialogs();

    /** Runs the "Preferences..." command as the System menu does, and returns the
        dialog it opened, or null when none opened.
    */
    juce::DialogWindow* openAudioSettings();

    /** Closes the dialog through its close button, the way the window system asks for
        it, and waits until the dialog has finished and is deleted. Returns whether it was.
    */
    static bool closeWithCloseButton (juce::DialogWindow& dialog);

    /** The drop-down list that the selector labels with this text, or null. */
    static juce::ComboBox* findComboBox (juce::Component& root, const juce::String& labelText);

    /** Picks the item of the list whose text starts with this text, as a user's click
        would; false when the list has no such item.
    */
    static bool chooseItem (juce::ComboBox& list, const juce::String& textStart);

    /** Gives the window the X input focus and types the keys on the X server, as a user
        at the keyboard would (keys in xdotool's form, e.g. "ctrl+comma"), with the pointer
        outside the window, then runs the message loop until the keys have had their
        effect. Returns whether they had it (bounded). The X focus is the whole
        display's, so a test that types must run alone.
    */
    static bool typeKeys (juce::Component& window, const juce::String& keys, const std::function<bool()>& effect);

    /** Runs xdotool with these arguments, keeping the message loop going meanwhile. */
    static bool runXdotool (const juce::StringArray& arguments);

    //==============================================================================
    // Declared before the application, so the application is gone before its home folder.
    TestSupport::ScopedHome home;
    std::unique_ptr<PlugInHostApplication> app;

private:
    juce::JUCEApplicationBase::CreateInstanceFunction previousCreateInstance;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HostApplicationFixture)
};
