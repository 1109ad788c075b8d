#include "support/HostApplicationFixture.h"
#include "support/ModalEndCounter.h"

namespace
{
    juce::StringArray labelTexts (juce::Component& root)
    {
        juce::StringArray texts;

        for (auto* child : root.getChildren())
        {
            if (auto* label = dynamic_cast<juce::Label*> (child))
                texts.add (label->getText());

            texts.addArray (labelTexts (*child));
        }

        return texts;
    }
}

//==============================================================================
class AudioSettingsDialog  : public HostApplicationFixture
{
protected:
    void SetUp() override
    {
        home.installPlugin (TestSupport::demoInstrument());
        useAlsaDevice();
        start();
        ASSERT_NE (currentDevice(), nullptr);
    }

    juce::String storedBufferSize() const
    {
        const auto setup = storedDeviceSetup();
        return setup != nullptr ? setup->getStringAttribute ("audioDeviceBufferSize") : juce::String();
    }

    /** Changes the buffer size in the dialog as a user would. */
    static void chooseBufferSize (juce::DialogWindow& dialog, const juce::String& samples)
    {
        auto* sizes = findComboBox (dialog, "Audio buffer size:");
        ASSERT_NE (sizes, nullptr);
        ASSERT_TRUE (chooseItem (*sizes, samples + " samples"));
    }
};

TEST_F (AudioSettingsDialog, isAFixedSizeModalDialogOfferingOutputsAndMidiInputsOnly)
{
    auto* dialog = openAudioSettings();
    ASSERT_NE (dialog, nullptr);

    EXPECT_TRUE (dialog->isVisible());
    EXPECT_TRUE (dialog->isCurrentlyModal());
    EXPECT_TRUE (dialog->isUsingNativeTitleBar());
    EXPECT_FALSE (dialog->isResizable());

    auto* content = dynamic_cast<juce::AudioDeviceSelectorComponent*> (dialog->getContentComponent());
    ASSERT_NE (content, nullptr);
    EXPECT_EQ (dialog->getBounds().withZeroOrigin(), content->getBounds());

    // The selector is given 500 x 450, but the framework's own code decides the rest: the
    // selector fits its height to its controls, and the dialog takes the native title bar
    // only after fitting itself around the content with its own one-pixel border.
    EXPECT_GE (content->getWidth(), 500);
    EXPECT_LE (content->getWidth(), 502);
    EXPECT_LE (content->getHeight(), 450);
    EXPECT_EQ (dialog->getPeer()->getStyleFlags() & juce::ComponentPeer::windowIsResizable, 0);

    const auto labels = labelTexts (*content);
    EXPECT_TRUE (labels.contains ("Output:")) << labels.joinIntoString (" | ");
    EXPECT_TRUE (labels.contains ("Active MIDI inputs:")) << labels.joinIntoString (" | ");
    EXPECT_FALSE (labels.contains ("Input:"));
    EXPECT_FALSE (labels.contains ("Active input channels:"));
    EXPECT_FALSE (labels.contains ("MIDI Output:"));
}

TEST_F (AudioSettingsDialog, closeButtonEndsItOnceAndStoresTheSetup)
{
    auto* dialog = openAudioSettings();
    ASSERT_NE (dialog, nullptr);
    ModalEndCounter ends (*dialog);
    chooseBufferSize (*dialog, "1024");

    ASSERT_TRUE (closeWithCloseButton (*dialog));
    ASSERT_TRUE (TestSupport::runMessageLoopUntil ([] { return audioSettingsDialogs().isEmpty(); }));
    EXPECT_EQ (ends.getNumEnds(), 1);
    EXPECT_EQ (ends.getLastResult(), 0);
    EXPECT_EQ (storedBufferSize(), "1024");
}

TEST_F (AudioSettingsDialog, secondOpeningWhileOneIsOpenGivesASecondDialog)
{
    auto* first = openAudioSettings();
    ASSERT_NE (first, nullptr);
    ModalEndCounter firstEnds (*first);

    auto* second = openAudioSettings();
    ASSERT_NE (second, nullptr);
    ModalEndCounter secondEnds (*second);

    EXPECT_NE (first, second);
    EXPECT_EQ (audioSettingsDialogs().size(), 2);
    EXPECT_EQ (juce::Component::getCurrentlyModalComponent(), second);

    // Each one closes on its own and stores the state of that moment.
    chooseBufferSize (*second, "1024");
    ASSERT_TRUE (closeWithCloseButton (*second));
    EXPECT_EQ (secondEnds.getNumEnds(), 1);
    EXPECT_EQ (firstEnds.getNumEnds(), 0);
    EXPECT_EQ (audioSettingsDialogs(), juce::Array<juce::DialogWindow*> { first });
    EXPECT_EQ (storedBufferSize(), "1024");

    chooseBufferSize (*first, "2048");
    ASSERT_TRUE (closeWithCloseButton (*first));
    ASSERT_TRUE (TestSupport::runMessageLoopUntil ([] { return audioSettingsDialogs().isEmpty(); }));
    EXPECT_EQ (firstEnds.getNumEnds(), 1);
    EXPECT_EQ (secondEnds.getNumEnds(), 1);
    EXPECT_EQ (storedBufferSize(), "2048");
}

TEST_F (AudioSettingsDialog, quitWithTwoOpenTakesBothDownAndStoresNothingChosenInThem)
{
    auto* first = openAudioSettings();
    ASSERT_NE (first, nullptr);
    auto* second = openAudioSettings();
    ASSERT_NE (second, nullptr);
    ModalEndCounter firstEnds (*first), secondEnds (*second);
    chooseBufferSize (*second, "1024");

    stop();

    EXPECT_TRUE (audioSettingsDialogs().isEmpty()) << "a dialog outlived the application";
    EXPECT_EQ (firstEnds.getNumEnds(), 0);
    EXPECT_EQ (secondEnds.getNumEnds(), 0);
    EXPECT_FALSE (home.settingsFile().exists());
}
