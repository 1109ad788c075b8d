#include "support/HostApplicationFixture.h"
#include "support/ModalEndCounter.h"

// Keys typed on the X server go to whichever window has the focus, and a window that
// another test maps takes it: these tests run alone.
class Keyboard  : public HostApplicationFixture
{
protected:
    void SetUp() override
    {
        home.installPlugin (TestSupport::demoInstrument());
        useAlsaDevice();
        start();
        ASSERT_NE (app->mainWindow, nullptr);
        ASSERT_TRUE (TestSupport::runMessageLoopUntil ([this] { return app->mainWindow->isShowing(); }));
    }
};

TEST_F (Keyboard, commandCommaOnTheMainWindowOpensTheAudioSettings)
{
    ASSERT_TRUE (audioSettingsDialogs().isEmpty());

    EXPECT_TRUE (typeKeys (*app->mainWindow, "ctrl+comma", [] { return audioSettingsDialogs().size() == 1; }));
}

TEST_F (Keyboard, escapeEndsTheAudioSettingsOnceAndStoresTheSetup)
{
    auto* dialog = openAudioSettings();
    ASSERT_NE (dialog, nullptr);
    ModalEndCounter ends (*dialog);

    auto* sizes = findComboBox (*dialog, "Audio buffer size:");
    ASSERT_NE (sizes, nullptr);
    ASSERT_TRUE (chooseItem (*sizes, "1024 samples"));

    juce::Component::SafePointer<juce::DialogWindow> watched (dialog);
    ASSERT_TRUE (typeKeys (*dialog, "Escape", [&] { return watched == nullptr; }));

    EXPECT_EQ (ends.getNumEnds(), 1);
    EXPECT_EQ (ends.getLastResult(), 0);

    const auto stored = storedDeviceSetup();
    ASSERT_NE (stored, nullptr);
    EXPECT_EQ (stored->getIntAttribute ("audioDeviceBufferSize"), 1024);
}
