#include "support/HostApplicationFixture.h"

namespace
{
    /** The machine-wide settings file, put in place for the test's lifetime. Whatever
        stood there before is put back afterwards.
    */
    class ScopedMachineWideSettings
    {
    public:
        explicit ScopedMachineWideSettings (const juce::String& content)
        {
            folderExisted = folder.isDirectory();
            fileExisted = file.existsAsFile();

            if (fileExisted)
                file.loadFileAsData (previousContent);

            folder.createDirectory();
            file.replaceWithText (content);
        }

        ~ScopedMachineWideSettings()
        {
            if (fileExisted)
                file.replaceWithData (previousContent.getData(), previousContent.getSize());
            else
                file.deleteFile();

            if (! folderExisted)
                folder.deleteRecursively();
        }

        const juce::File folder { "/var/.Vexilor" };
        const juce::File file { "/var/.Vexilor/Vexilor.settings" };

    private:
        bool folderExisted = false, fileExisted = false;
        juce::MemoryBlock previousContent;
    };
}

//==============================================================================
using MachineWideSettings = HostApplicationFixture;

TEST_F (MachineWideSettings, stateIsReadFromItAndNeverWrittenToIt)
{
    home.installPlugin (TestSupport::demoInstrument());
    useAlsaDevice();

    const ScopedMachineWideSettings machineWide (
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<PROPERTIES>\n"
        "  <VALUE name=\"audioDeviceState\"><DEVICESETUP deviceType=\"ALSA\" audioOutputDeviceName=\"default\""
        " audioInputDeviceName=\"\" audioDeviceRate=\"48000.0\" audioDeviceBufferSize=\"1024\"/></VALUE>\n"
        "</PROPERTIES>\n");

    juce::MemoryBlock before;
    ASSERT_TRUE (machineWide.file.loadFileAsData (before));
    const auto longAgo = juce::Time::getCurrentTime() - juce::RelativeTime::days (1);
    ASSERT_TRUE (machineWide.file.setLastModificationTime (longAgo));

    start();
    auto* device = currentDevice();
    ASSERT_NE (device, nullptr);
    EXPECT_EQ (device->getCurrentSampleRate(), 48000.0);
    EXPECT_EQ (device->getCurrentBufferSizeSamples(), 1024);

    // The first close after a restore stores the state: in the user's file only.
    auto* dialog = openAudioSettings();
    ASSERT_NE (dialog, nullptr);
    ASSERT_TRUE (closeWithCloseButton (*dialog));
    EXPECT_TRUE (home.settingsFile().existsAsFile());
    stop();

    juce::MemoryBlock after;
    ASSERT_TRUE (machineWide.file.loadFileAsData (after));
    EXPECT_TRUE (after == before);
    EXPECT_LT (machineWide.file.getLastModificationTime(), longAgo + juce::RelativeTime::hours (1)) << "rewritten";
    EXPECT_TRUE (home.settingsFile().loadFileAsString().contains ("DEVICESETUP"));
}
