#include "support/HostApplicationFixture.h"

namespace
{
    // A setup of the test's device that differs in both from the one it opens with
    // when nothing is asked for.
    constexpr double storedRate = 48000.0;
    constexpr int storedBufferSize = 1024;

    juce::String settingsFileWith (const juce::String& valueElements)
    {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n"
               "<PROPERTIES>\n" + valueElements + "\n</PROPERTIES>\n";
    }

    juce::String storedSetupElement()
    {
        return "<DEVICESETUP deviceType=\"ALSA\" audioOutputDeviceName=\"default\" audioInputDeviceName=\"\""
               " audioDeviceRate=\"48000.0\" audioDeviceBufferSize=\"1024\"/>";
    }

    // A file written later than this has been written by the test's host.
    const juce::Time longAgo = juce::Time::getCurrentTime() - juce::RelativeTime::days (1);

    void backdate (const juce::File& file)
    {
        ASSERT_TRUE (file.setLastModificationTime (longAgo));
    }

    bool writtenSinceBackdated (const juce::File& file)
    {
        return file.getLastModificationTime() > longAgo + juce::RelativeTime::hours (1);
    }
}

//==============================================================================
class Settings  : public HostApplicationFixture
{
protected:
    void SetUp() override
    {
        home.installPlugin (TestSupport::demoInstrument());
        useAlsaDevice();
        ASSERT_NO_FATAL_FAILURE (readDefaultSetup());

        // Else a restored setup could not be told from the default one.
        ASSERT_NE (defaultRate, storedRate);
        ASSERT_NE (defaultBufferSize, storedBufferSize);
    }

    /** Opens the test's device without asking for a rate or a buffer size, so that it
        picks its own, and notes them: what the host must open when nothing is stored.
    */
    void readDefaultSetup()
    {
        std::unique_ptr<juce::AudioIODeviceType> alsa (juce::AudioIODeviceType::createAudioIODeviceType_ALSA());
        ASSERT_NE (alsa, nullptr);
        alsa->scanForDevices();
        std::unique_ptr<juce::AudioIODevice> device (alsa->createDevice ("default", {}));
        ASSERT_NE (device, nullptr);

        juce::BigInteger outputs;
        outputs.setRange (0, 2, true);
        ASSERT_EQ (device->open ({}, outputs, 0.0, 0), "");
        defaultRate = device->getCurrentSampleRate();
        defaultBufferSize = device->getCurrentBufferSizeSamples();
    }

    void expectDeviceSetup (double rate, int bufferSize) const
    {
        auto* device = currentDevice();
        ASSERT_NE (device, nullptr) << "no device opened";
        EXPECT_EQ (device->getName(), "default");
        EXPECT_EQ (device->getCurrentSampleRate(), rate);
        EXPECT_EQ (device->getCurrentBufferSizeSamples(), bufferSize);
        EXPECT_EQ (device->getActiveOutputChannels().countNumberOfSetBits(), 2);
        EXPECT_EQ (device->getActiveInputChannels().countNumberOfSetBits(), 0);
    }

    /** Opens the dialog, picks the stored setup in it as a user would, and closes it. */
    void chooseStoredSetupInTheDialog()
    {
        auto* dialog = openAudioSettings();
        ASSERT_NE (dialog, nullptr);

        auto* rates = findComboBox (*dialog, "Sample rate:");
        ASSERT_NE (rates, nullptr);
        ASSERT_TRUE (chooseItem (*rates, "48000 Hz"));

        auto* bufferSizes = findComboBox (*dialog, "Audio buffer size:");
        ASSERT_NE (bufferSizes, nullptr);
        ASSERT_TRUE (chooseItem (*bufferSizes, "1024 samples"));

        ASSERT_TRUE (closeWithCloseButton (*dialog));
    }

    void openAndCloseTheDialog()
    {
        auto* dialog = openAudioSettings();
        ASSERT_NE (dialog, nullptr);
        ASSERT_TRUE (closeWithCloseButton (*dialog));
    }

    double defaultRate = 0.0;
    int defaultBufferSize = 0;
};

TEST_F (Settings, firstStartOpensTheDefaultDeviceAndWritesNothing)
{
    auto& host = start();
    expectDeviceSetup (defaultRate, defaultBufferSize);
    EXPECT_EQ (host.deviceManager.createStateXml(), nullptr);

    // Nothing was chosen, so there is nothing to remember.
    openAndCloseTheDialog();
    stop();

    EXPECT_FALSE (home.settingsFile().exists());
    EXPECT_FALSE (home.settingsFile().getParentDirectory().exists());
}

TEST_F (Settings, setupChosenInTheDialogIsRestoredAtTheNextStart)
{
    start();
    chooseStoredSetupInTheDialog();
    expectDeviceSetup (storedRate, storedBufferSize);
    stop();

    const auto stored = storedDeviceSetup();
    ASSERT_NE (stored, nullptr) << home.settingsFile().loadFileAsString();
    EXPECT_EQ (stored->getStringAttribute ("audioOutputDeviceName"), "default");
    EXPECT_EQ (stored->getDoubleAttribute ("audioDeviceRate"), storedRate);
    EXPECT_EQ (stored->getIntAttribute ("audioDeviceBufferSize"), storedBufferSize);

    auto& host = start();
    expectDeviceSetup (storedRate, storedBufferSize);
    EXPECT_NE (host.deviceManager.createStateXml(), nullptr);
}

TEST_F (Settings, closingTheDialogWritesOnlyAChangedState)
{
    const auto file = home.settingsFile();

    start();
    chooseStoredSetupInTheDialog();
    ASSERT_TRUE (file.existsAsFile());

    backdate (file);
    openAndCloseTheDialog();
    EXPECT_FALSE (writtenSinceBackdated (file)) << "rewritten although nothing changed";
    stop();
    EXPECT_FALSE (writtenSinceBackdated (file)) << "rewritten at shutdown";

    // The state read back at start-up is the framework's one-line text, never equal to
    // the one the dialog stores: the first close writes, the second does not.
    start();
    expectDeviceSetup (storedRate, storedBufferSize);
    openAndCloseTheDialog();
    EXPECT_TRUE (writtenSinceBackdated (file)) << "the first close after a restore did not write";

    backdate (file);
    openAndCloseTheDialog();
    EXPECT_FALSE (writtenSinceBackdated (file)) << "the second close rewrote an unchanged state";
    stop();

    const auto stored = storedDeviceSetup();
    ASSERT_NE (stored, nullptr);
    EXPECT_EQ (stored->getIntAttribute ("audioDeviceBufferSize"), storedBufferSize);
}

//==============================================================================
struct UnusableState
{
    const char* name;
    const char* valueElement;
};

void PrintTo (const UnusableState& state, std::ostream* out)
{
    *out << state.name;
}

class UnusableStoredState  : public Settings,
                             public ::testing::WithParamInterface<UnusableState>
{
};

TEST_P (UnusableStoredState, opensTheDefaultDeviceAndLeavesTheFileAsItWas)
{
    const auto file = home.settingsFile();
    ASSERT_TRUE (file.getParentDirectory().createDirectory());
    ASSERT_TRUE (file.replaceWithText (settingsFileWith (GetParam().valueElement)));
    juce::MemoryBlock before;
    ASSERT_TRUE (file.loadFileAsData (before));

    start();
    expectDeviceSetup (defaultRate, defaultBufferSize);
    stop();

    juce::MemoryBlock after;
    ASSERT_TRUE (file.loadFileAsData (after));
    EXPECT_TRUE (after == before) << file.loadFileAsString();
}

INSTANTIATE_TEST_SUITE_P (Settings, UnusableStoredState, ::testing::Values (
    UnusableState { "notXml",      "  <VALUE name=\"audioDeviceState\" val=\"48000 Hz, 1024 samples\"/>" },
    UnusableState { "empty",       "  <VALUE name=\"audioDeviceState\" val=\"\"/>" },
    UnusableState { "anotherTag",  "  <VALUE name=\"audioDeviceState\"><AUDIOSETUP deviceType=\"ALSA\" audioOutputDeviceName=\"default\""
                                   " audioDeviceRate=\"48000.0\" audioDeviceBufferSize=\"1024\"/></VALUE>" },
    UnusableState { "keyInAnotherCase", "  <VALUE name=\"AudioDeviceState\"><DEVICESETUP deviceType=\"ALSA\" audioOutputDeviceName=\"default\""
                                        " audioInputDeviceName=\"\" audioDeviceRate=\"48000.0\" audioDeviceBufferSize=\"1024\"/></VALUE>" }),
    [] (const auto& test) { return std::string (test.param.name); });

TEST_F (Settings, storedStateInTheFrameworksFormIsRestored)
{
    const auto file = home.settingsFile();
    ASSERT_TRUE (file.getParentDirectory().createDirectory());
    ASSERT_TRUE (file.replaceWithText (settingsFileWith ("  <VALUE name=\"audioDeviceState\">" + storedSetupElement() + "</VALUE>")));

    auto& host = start();
    expectDeviceSetup (storedRate, storedBufferSize);
    EXPECT_NE (host.deviceManager.createStateXml(), nullptr);
}
