#include "support/TestSupport.h"
#include "graph/InternalPluginFormat.h"
#include "graph/PluginGraph.h"
#include "equipment/SilentInstrument.h"

namespace
{
    using IOProcessor = juce::AudioProcessorGraph::AudioGraphIOProcessor;

    const juce::String noCompatibleFormat ("No compatible plug-in format exists for this plug-in");

    //==============================================================================
    /** What the user sees of an alert window. */
    struct ShownAlert
    {
        juce::MessageBoxIconType icon;
        juce::String title, message;
        juce::StringArray buttons;
    };

    ShownAlert describe (juce::AlertWindow& alert)
    {
        ShownAlert shown { alert.getAlertType(), alert.getName(), {}, {} };

        // The window offers its message only inside its accessible description.
        const auto prefix = shown.title + ". ";
        const auto description = alert.getDescription();
        EXPECT_TRUE (description.startsWith (prefix)) << description;
        shown.message = description.substring (prefix.length());

        for (auto* child : alert.getChildren())
            if (auto* button = dynamic_cast<juce::TextButton*> (child))
                shown.buttons.add (button->getButtonText());

        return shown;
    }

    /** Lets every alert posted so far appear; then returns all alerts on the desktop. */
    std::vector<ShownAlert> alertsShown()
    {
        TestSupport::deliverPendingMessages();

        std::vector<ShownAlert> shown;

        for (auto* alert : TestSupport::alertWindowsOnDesktop())
            shown.push_back (describe (*alert));

        return shown;
    }

    void expectOneCreationAlert (const juce::String& message)
    {
        const auto shown = alertsShown();
        ASSERT_EQ (shown.size(), 1u);
        EXPECT_EQ (shown[0].icon, juce::MessageBoxIconType::WarningIcon);
        EXPECT_EQ (shown[0].title, "Couldn't create plugin");
        EXPECT_EQ (shown[0].message, message);
        EXPECT_EQ (shown[0].buttons, juce::StringArray ("OK"));
    }

    void expectFreshDocument (const PluginGraph& pluginGraph)
    {
        auto& nodes = pluginGraph.graph.getNodes();
        ASSERT_EQ (nodes.size(), 2);

        auto* midiInput = dynamic_cast<IOProcessor*> (nodes[0]->getProcessor());
        auto* audioOutput = dynamic_cast<IOProcessor*> (nodes[1]->getProcessor());
        ASSERT_NE (midiInput, nullptr);
        ASSERT_NE (audioOutput, nullptr);
        EXPECT_EQ (midiInput->getType(), IOProcessor::midiInputNode);
        EXPECT_EQ (audioOutput->getType(), IOProcessor::audioOutputNode);
        EXPECT_TRUE (pluginGraph.graph.getConnections().empty());
    }

    //==============================================================================
    /** A format of any name, for the cases the registered formats cannot produce: it
        accepts files or not, and fails with a given text, has the real VST 2 format
        create the instance, or creates one with a disabled bus. It counts how often
        the graph asks it.
    */
    class ScriptedFormat  : public juce::AudioPluginFormat
    {
    public:
        enum class Creation { fail, createWithVst, createWithDisabledBus };

        ScriptedFormat (juce::String formatName, bool acceptsFiles, Creation howToCreate, juce::String error = {})
            : name (std::move (formatName)), accepts (acceptsFiles), creation (howToCreate), errorText (std::move (error))
        {
        }

        int timesAskedAboutFile = 0, timesAskedToCreate = 0;

        juce::String getName() const override                                         { return name; }
        bool fileMightContainThisPluginType (const juce::String&) override            { ++timesAskedAboutFile; return accepts; }
        void findAllTypesForFile (juce::OwnedArray<juce::PluginDescription>&, const juce::String&) override {}
        juce::String getNameOfPluginFromIdentifier (const juce::String& id) override  { return id; }
        bool pluginNeedsRescanning (const juce::PluginDescription&) override          { return false; }
        bool doesPluginStillExist (const juce::PluginDescription&) override           { return true; }
        bool canScanForPlugins() const override                                       { return false; }
        bool isTrivialToScan() const override                                         { return true; }
        juce::StringArray searchPathsForPlugins (const juce::FileSearchPath&, bool, bool) override { return {}; }
        juce::FileSearchPath getDefaultLocationsToSearch() override                   { return {}; }
        bool requiresUnblockedMessageThreadDuringCreation (const juce::PluginDescription&) const override { return false; }

    private:
        void createPluginInstance (const juce::PluginDescription& description, double sampleRate, int blockSize,
                                   PluginCreationCallback callback) override
        {
            ++timesAskedToCreate;

            if (creation == Creation::fail)
            {
                callback (nullptr, errorText);
                return;
            }

            if (creation == Creation::createWithDisabledBus)
            {
                callback (std::make_unique<SilentInstrument> (SilentInstrument::SecondOutput::disabled), {});
                return;
            }

            juce::String error;
            auto instance = vst.createInstanceFromDescription (description, sampleRate, blockSize, error);
            callback (std::move (instance), error);
        }

        const juce::String name;
        const bool accepts;
        const Creation creation;
        const juce::String errorText;
        juce::VSTPluginFormat vst;
    };

    //==============================================================================
    /** The host's format manager: the VST 2 format, then the internal format. Alerts
        left open are dismissed at the end, so none outlives the test's framework.
    */
    class GraphTest  : public ::testing::Test
    {
    protected:
        GraphTest()
        {
            formatManager.addFormat (new juce::VSTPluginFormat());
            formatManager.addFormat (new InternalPluginFormat());
        }

        ~GraphTest() override
        {
            for (auto* alert : TestSupport::alertWindowsOnDesktop())
                alert->exitModalState (0);

            TestSupport::runMessageLoopUntil ([] { return TestSupport::alertWindowsOnDesktop().isEmpty(); }, 2000);
        }

        juce::AudioPluginFormatManager formatManager;
    };
}

//==============================================================================
TEST_F (GraphTest, freshGraphHoldsMidiInputThenAudioOutputAndNoConnection)
{
    PluginGraph pluginGraph (formatManager);

    expectFreshDocument (pluginGraph);
    EXPECT_TRUE (alertsShown().empty());
}

TEST_F (GraphTest, addedPluginIsAppendedWithAllBusesEnabled)
{
    ASSERT_FALSE (SilentInstrument (SilentInstrument::SecondOutput::disabled).getBus (false, 1)->isEnabled());
    formatManager.addFormat (new ScriptedFormat ("Scripted", true, ScriptedFormat::Creation::createWithDisabledBus));
    PluginGraph pluginGraph (formatManager);
    juce::PluginDescription description;
    description.pluginFormatName = "Scripted";

    pluginGraph.addPlugin (description);

    auto& nodes = pluginGraph.graph.getNodes();
    ASSERT_EQ (nodes.size(), 3);
    EXPECT_NE (dynamic_cast<IOProcessor*> (nodes[0]->getProcessor()), nullptr);
    EXPECT_NE (dynamic_cast<IOProcessor*> (nodes[1]->getProcessor()), nullptr);

    auto* instance = dynamic_cast<SilentInstrument*> (nodes[2]->getProcessor());
    ASSERT_NE (instance, nullptr);

    for (const auto isInput : { true, false })
        for (int i = 0; i < instance->getBusCount (isInput); ++i)
            EXPECT_TRUE (instance->getBus (isInput, i)->isEnabled()) << (isInput ? "input " : "output ") << i;

    EXPECT_EQ (instance->getTotalNumOutputChannels(), 4);
    EXPECT_TRUE (pluginGraph.graph.getConnections().empty());
    EXPECT_TRUE (alertsShown().empty());
}

TEST_F (GraphTest, pluginIsCreatedAtSampleRateAndBlockSizeZeroBeforeTheGraphIsPrepared)
{
    PluginGraph pluginGraph (formatManager);

    pluginGraph.addPlugin (TestSupport::scanPlugin (TestSupport::demoInstrument()));

    // The VST 2 instance keeps the rate and block size it was created with until it is
    // first prepared.
    ASSERT_EQ (pluginGraph.graph.getNodes().size(), 3);
    auto* instance = pluginGraph.graph.getNodes()[2]->getProcessor();
    EXPECT_EQ (instance->getSampleRate(), 0.0);
    EXPECT_EQ (instance->getBlockSize(), 0);
}

TEST_F (GraphTest, formatManagerWithoutInternalFormatPostsTwoAlertsAndLeavesGraphEmpty)
{
    juce::AudioPluginFormatManager vstOnly;
    vstOnly.addFormat (new juce::VSTPluginFormat());

    PluginGraph pluginGraph (vstOnly);

    EXPECT_EQ (pluginGraph.graph.getNodes().size(), 0);

    const auto shown = alertsShown();
    ASSERT_EQ (shown.size(), 2u);

    for (auto& alert : shown)
        EXPECT_EQ (alert.message, noCompatibleFormat);
}

//==============================================================================
namespace
{
    struct FailingDescription
    {
        const char* caseName;
        std::function<juce::PluginDescription()> make;
        juce::String expectedMessage;
    };

    juce::PluginDescription demoWithFormatName (const juce::String& formatName)
    {
        auto description = TestSupport::scanPlugin (TestSupport::demoInstrument());
        description.pluginFormatName = formatName;
        return description;
    }

    juce::PluginDescription midiInputWithFormatName (const juce::String& formatName)
    {
        auto description = InternalPluginFormat().midiInputDescription;
        description.pluginFormatName = formatName;
        return description;
    }

    juce::PluginDescription internalNodeNamed (const juce::String& name)
    {
        auto description = InternalPluginFormat().midiInputDescription;
        description.name = name;
        return description;
    }

    juce::PluginDescription demoInFile (const juce::File& file)
    {
        auto description = TestSupport::scanPlugin (TestSupport::demoInstrument());
        description.fileOrIdentifier = file.getFullPathName();
        return description;
    }

    const FailingDescription failingDescriptions[] =
    {
        { "formatNobodyRegistered",        [] { return demoWithFormatName ("AudioUnit"); },               noCompatibleFormat },
        { "vstFormatNameInLowerCase",      [] { return demoWithFormatName ("vst"); },                     noCompatibleFormat },
        { "vstFormatNameWithTrailingBlank",[] { return demoWithFormatName ("VST "); },                    noCompatibleFormat },
        { "internalFormatNameInLowerCase", [] { return midiInputWithFormatName ("internal"); },       noCompatibleFormat },
        { "internalNameWithTrailingBlank", [] { return midiInputWithFormatName ("Internal "); },      noCompatibleFormat },
        { "vstFileThatIsNoSharedObject",   [] { return demoInFile (TestSupport::hostBinary()); },         noCompatibleFormat },
        { "vstFileThatIsMissing",          [] { return demoInFile (TestSupport::demoInstrument().getSiblingFile ("Missing.so")); }, noCompatibleFormat },
        { "vstFileYieldingNoInstance",     [] { return demoInFile (TestSupport::nullInstrument()); },     "Unable to load VST-2 plug-in file" },
        { "internalNodeNobodyMakes",       [] { return internalNodeNamed ("MIDI Output"); },          "Invalid internal plugin name" },
    };

    void PrintTo (const FailingDescription& failing, std::ostream* stream)
    {
        *stream << failing.caseName;
    }

    class FailedCreation  : public GraphTest,
                            public ::testing::WithParamInterface<FailingDescription>
    {
    };
}

TEST_P (FailedCreation, showsOneWarningAlertAndLeavesGraphUnchanged)
{
    PluginGraph pluginGraph (formatManager);
    const auto description = GetParam().make();

    pluginGraph.addPlugin (description);

    expectFreshDocument (pluginGraph);
    expectOneCreationAlert (GetParam().expectedMessage);
}

INSTANTIATE_TEST_SUITE_P (GraphTest, FailedCreation, ::testing::ValuesIn (failingDescriptions),
                          [] (const auto& instance) { return std::string (instance.param.caseName); });

//==============================================================================
TEST_F (GraphTest, failureWithEmptyErrorTextStillShowsTheAlert)
{
    auto* silent = new ScriptedFormat ("Scripted", true, ScriptedFormat::Creation::fail);
    formatManager.addFormat (silent);
    PluginGraph pluginGraph (formatManager);

    auto description = TestSupport::scanPlugin (TestSupport::demoInstrument());
    description.pluginFormatName = "Scripted";
    pluginGraph.addPlugin (description);

    EXPECT_EQ (silent->timesAskedToCreate, 1);
    expectFreshDocument (pluginGraph);
    expectOneCreationAlert ({});
}

TEST_F (GraphTest, secondFormatOfTheNameCreatesWhenTheFirstRejectsTheFile)
{
    juce::AudioPluginFormatManager formats;
    auto* rejecting = new ScriptedFormat ("VST", false, ScriptedFormat::Creation::fail, "must not be shown");
    formats.addFormat (rejecting);
    formats.addFormat (new juce::VSTPluginFormat());
    formats.addFormat (new InternalPluginFormat());
    PluginGraph pluginGraph (formats);

    pluginGraph.addPlugin (TestSupport::scanPlugin (TestSupport::demoInstrument()));

    EXPECT_EQ (rejecting->timesAskedAboutFile, 1);
    EXPECT_EQ (rejecting->timesAskedToCreate, 0);
    ASSERT_EQ (pluginGraph.graph.getNodes().size(), 3);
    EXPECT_NE (dynamic_cast<juce::AudioPluginInstance*> (pluginGraph.graph.getNodes()[2]->getProcessor()), nullptr);
    EXPECT_TRUE (alertsShown().empty());
}

TEST_F (GraphTest, firstQualifyingFormatsFailureIsShownAndTheSecondIsNeverAsked)
{
    juce::AudioPluginFormatManager formats;
    auto* failing = new ScriptedFormat ("VST", true, ScriptedFormat::Creation::fail, "The first format failed");
    auto* working = new ScriptedFormat ("VST", true, ScriptedFormat::Creation::createWithVst);
    formats.addFormat (failing);
    formats.addFormat (working);
    formats.addFormat (new InternalPluginFormat());
    PluginGraph pluginGraph (formats);

    pluginGraph.addPlugin (TestSupport::scanPlugin (TestSupport::demoInstrument()));

    EXPECT_EQ (failing->timesAskedToCreate, 1);
    EXPECT_EQ (working->timesAskedAboutFile, 0);
    EXPECT_EQ (working->timesAskedToCreate, 0);
    expectFreshDocument (pluginGraph);
    expectOneCreationAlert ("The first format failed");
}
