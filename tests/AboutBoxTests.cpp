#include "support/HostApplicationFixture.h"
#include "app/HostCommandIDs.h"

namespace
{
    /** Waits, from inside the box's own modal loop, for the About box to come up, reads
        it as a user would and presses its "OK" button.
    */
    class AboutBoxReader  : private juce::Timer
    {
    public:
        AboutBoxReader()    { startTimer (20); }
        ~AboutBoxReader() override { stopTimer(); }

        bool seen = false, wasModal = false;
        juce::String title, message;
        juce::StringArray buttons;

    private:
        void timerCallback() override
        {
            const auto alerts = TestSupport::alertWindowsOnDesktop();

            if (alerts.size() != 1)
                return;

            auto* box = alerts.getFirst();
            seen = true;
            wasModal = box->isCurrentlyModal();
            title = box->getName();

            // The box describes itself as its title, ". " and its message.
            message = box->getDescription().fromFirstOccurrenceOf (title + ". ", false, false);

            juce::Button* ok = nullptr;

            for (auto* child : box->getChildren())
            {
                if (auto* button = dynamic_cast<juce::TextButton*> (child))
                {
                    buttons.add (button->getButtonText());

                    if (button->getButtonText() == "OK")
                        ok = button;
                }
            }

            stopTimer();

            if (ok != nullptr)
                ok->triggerClick();
            else
                box->exitModalState (0);
        }
    };
}

//==============================================================================
using AboutBox = HostApplicationFixture;

TEST_F (AboutBox, showsThePluginVersionAndTheHostVersion)
{
    home.installPlugin (TestSupport::demoInstrument());
    auto& host = start();
    ASSERT_NE (host.processor, nullptr);

    AboutBoxReader reader;
    host.commandManager.invokeDirectly (HostCommandIDs::about, false);

    // The command returns only once the box has been dismissed.
    EXPECT_TRUE (reader.seen);
    EXPECT_TRUE (reader.wasModal);
    EXPECT_EQ (reader.title, "Vexilor");
    EXPECT_EQ (reader.message, "Version: 1.0.2.0\nStandalone Arch: 2.1.0");
    EXPECT_EQ (reader.buttons, juce::StringArray { "OK" });
    EXPECT_TRUE (TestSupport::alertWindowsOnDesktop().isEmpty());
}

TEST_F (AboutBox, showsTheHostVersionAloneWithoutAPluginInstance)
{
    auto& host = create();
    ASSERT_EQ (host.processor, nullptr);

    AboutBoxReader reader;
    host.showAboutBox();

    EXPECT_TRUE (reader.seen);
    EXPECT_EQ (reader.title, "Vexilor");
    EXPECT_EQ (reader.message, "Standalone Arch: 2.1.0");
    EXPECT_EQ (reader.buttons, juce::StringArray { "OK" });
}
