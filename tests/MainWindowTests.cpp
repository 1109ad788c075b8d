#include "support/HostApplicationFixture.h"

namespace
{
    int menuBarHeight (const PlugInMainWindow& window)
    {
        auto* menuBar = window.getMenuBarComponent();
        return menuBar != nullptr ? menuBar->getHeight() : 0;
    }

    juce::Point<int> centreOfMainDisplay()
    {
        return juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea.getCentre();
    }

    /** Notes when the component it watches is deleted, and lets the test look around then. */
    struct DeletionWatcher  : public juce::ComponentListener
    {
        void componentBeingDeleted (juce::Component&) override
        {
            ++deletions;
            onDeletion();
        }

        int deletions = 0;
        std::function<void()> onDeletion;
    };
}

//==============================================================================
using MainWindow = HostApplicationFixture;

TEST_F (MainWindow, showsTheEditorAtItsOwnSizeBelowTheMenuBarCentred)
{
    home.installPlugin (TestSupport::demoInstrument());
    auto& host = start();
    ASSERT_NE (host.mainWindow, nullptr);
    auto& window = *host.mainWindow;
    ASSERT_TRUE (TestSupport::runMessageLoopUntil ([&] { return window.isShowing(); }));

    EXPECT_EQ (window.getName(), "Vexilor");
    EXPECT_TRUE (window.isOnDesktop());

    auto* editor = window.getEditor();
    ASSERT_NE (editor, nullptr);
    EXPECT_EQ (editor, host.processor->getActiveEditor());
    EXPECT_EQ (window.getContentComponent(), editor);
    EXPECT_EQ (editor->getWidth(), 600);
    EXPECT_EQ (editor->getHeight(), 240);

    // The menu bar sits above the editor and adds to the window, never taking from it.
    EXPECT_EQ (editor->getBounds(), juce::Rectangle<int> (0, menuBarHeight (window), 600, 240));
    EXPECT_GT (menuBarHeight (window), 0);
    EXPECT_EQ (window.getWidth(), 600);
    EXPECT_EQ (window.getHeight(), 240 + menuBarHeight (window));

    const auto offset = window.getScreenBounds().getCentre() - centreOfMainDisplay();
    EXPECT_LE (std::abs (offset.x), 1);
    EXPECT_LE (std::abs (offset.y), 1);

    EXPECT_FALSE (window.isResizable());
    const auto styles = window.getDesktopWindowStyleFlags();
    EXPECT_NE (styles & juce::ComponentPeer::windowHasCloseButton, 0);
    EXPECT_NE (styles & juce::ComponentPeer::windowHasMinimiseButton, 0);
    EXPECT_EQ (styles & juce::ComponentPeer::windowHasMaximiseButton, 0);
}

TEST_F (MainWindow, followsTheEditorWhenItResizesItself)
{
    home.installPlugin (TestSupport::demoInstrumentResizing());
    auto& host = start();
    ASSERT_NE (host.mainWindow, nullptr);
    auto& window = *host.mainWindow;
    auto* editor = window.getEditor();
    ASSERT_NE (editor, nullptr);
    ASSERT_EQ (editor->getBounds().getWidth(), 600);

    // Program 1 asks the editor for 720 x 300.
    host.processor->setCurrentProgram (1);

    EXPECT_TRUE (TestSupport::runMessageLoopUntil ([&] { return editor->getWidth() == 720 && editor->getHeight() == 300; }));
    EXPECT_TRUE (TestSupport::runMessageLoopUntil ([&] { return window.getWidth() == 720
                                                                 && window.getHeight() == 300 + menuBarHeight (window); }))
        << window.getBounds().toString();
    EXPECT_EQ (window.getContentComponent()->getBounds(), juce::Rectangle<int> (0, menuBarHeight (window), 720, 300));
}

TEST_F (MainWindow, isAnEmptyLightGreySquareWithoutAnEditor)
{
    home.installPlugin (TestSupport::demoInstrumentNoEditor());
    auto& host = start();
    ASSERT_NE (host.processor, nullptr);
    ASSERT_NE (host.mainWindow, nullptr);
    auto& window = *host.mainWindow;
    ASSERT_TRUE (TestSupport::runMessageLoopUntil ([&] { return window.isShowing(); }));

    EXPECT_EQ (window.getEditor(), nullptr);
    EXPECT_EQ (window.getContentComponent(), nullptr);
    EXPECT_EQ (window.getWidth(), 128);
    EXPECT_EQ (window.getHeight(), 128);
    EXPECT_EQ (window.getName(), "Vexilor");

    const auto offset = window.getScreenBounds().getCentre() - centreOfMainDisplay();
    EXPECT_LE (std::abs (offset.x), 1);
    EXPECT_LE (std::abs (offset.y), 1);

    // What the window draws under the menu bar.
    const auto snapshot = window.createComponentSnapshot (window.getLocalBounds());
    EXPECT_EQ (snapshot.getPixelAt (64, 100), juce::Colours::lightgrey);
    EXPECT_EQ (snapshot.getPixelAt (5, 125), juce::Colours::lightgrey);
}

TEST_F (MainWindow, closeButtonAsksTheApplicationToQuit)
{
    home.installPlugin (TestSupport::demoInstrument());
    auto& host = start();
    ASSERT_NE (host.mainWindow, nullptr);
    auto* peer = host.mainWindow->getPeer();
    ASSERT_NE (peer, nullptr);
    ASSERT_FALSE (juce::MessageManager::getInstance()->hasStopMessageBeenSent());

    // Where the window system's request to close the window arrives.
    peer->handleUserClosingWindow();

    EXPECT_TRUE (juce::MessageManager::getInstance()->hasStopMessageBeenSent());

    // Quitting is left to shutdown: the window neither closes nor hides itself.
    EXPECT_NE (host.mainWindow, nullptr);
    EXPECT_TRUE (host.mainWindow->isVisible());
}

TEST_F (MainWindow, shutdownDeletesTheEditorOnceWhileThePluginInstanceLives)
{
    home.installPlugin (TestSupport::demoInstrument());
    auto& host = start();
    ASSERT_NE (host.mainWindow, nullptr);
    auto* editor = host.mainWindow->getEditor();
    ASSERT_NE (editor, nullptr);
    auto* instance = host.processor;

    bool instanceWasInTheGraph = false;
    DeletionWatcher watcher;
    watcher.onDeletion = [&]
    {
        const auto& nodes = host.graph->graph.getNodes();
        instanceWasInTheGraph = nodes.size() == 3 && nodes[2]->getProcessor() == instance;
    };
    editor->addComponentListener (&watcher);

    host.shutdown();

    EXPECT_EQ (watcher.deletions, 1);
    EXPECT_TRUE (instanceWasInTheGraph);
    EXPECT_EQ (host.mainWindow, nullptr);
    EXPECT_EQ (host.processor, nullptr);

    // The instance outlives shutdown and knows its editor is gone.
    ASSERT_EQ (host.graph->graph.getNodes().size(), 3);
    EXPECT_EQ (host.graph->graph.getNodes()[2]->getProcessor(), instance);
    EXPECT_EQ (instance->getActiveEditor(), nullptr);

    app.reset();
    EXPECT_EQ (watcher.deletions, 1);
}
