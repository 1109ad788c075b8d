#include "PlugInHostApplication.h"
#include "HostCommandIDs.h"
#include "NestedSettingsGuard.h"
#include "QuitSignals.h"
#include "graph/InternalPluginFormat.h"

#include <iostream>

PlugInHostApplication::PlugInHostApplication() = default;

PlugInHostApplication::~PlugInHostApplication()
{
    // reset() empties the pointer before it deletes the graph, which a plain member
    // destruction would not, so nothing reaches a half-deleted graph through it.
    graph.reset();
}

juce::String PlugInHostApplication::getPluginPath()
{
   #if JUCE_MAC
    return "/Library/Audio/Plug-Ins/VST/Vexilor.vst";
   #else
    // The VST 2 format takes the path as it stands, so expand the home folder here.
    return juce::File ("~/.vst/Vexilor.so").getFullPathName();
   #endif
}

//==============================================================================
void PlugInHostApplication::initialise (const juce::String&)
{
    QuitSignals::install();

    formatManager.addFormat (new juce::VSTPluginFormat());
    formatManager.addFormat (new InternalPluginFormat());

    graph = std::make_unique<PluginGraph> (formatManager);
    playHead = new PluginHostAudioPlayHead();

    openSettings();
    restoreAudioDevice();

    juce::VSTPluginFormat scanFormat;

    if (! knownPluginList.scanAndAddFile (getPluginPath(), false, typesFound, scanFormat))
    {
        // Nothing can be played: say why, and don't report success.
        const juce::File pluginFile (getPluginPath());
        std::cerr << "VexilorHost: " << pluginFile.getFullPathName()
                  << (pluginFile.exists() ? " yields no VST 2 plug-in" : " does not exist") << std::endl;
        setApplicationReturnValue (1);
        quit();
        return;
    }

    const auto description = knownPluginList.getTypes()[0];
    resetMIDIMessage();
    graph->graph.setPlayHead (playHead);
    graph->addPlugin (description);
    player.setProcessor (&graph->graph);
    deviceManager.addAudioCallback (&player);
    deviceManager.addMidiInputDeviceCallback ({}, &player.getMidiMessageCollector());
    deviceManager.addChangeListener (this);

    auto& nodes = graph->graph.getNodes();

    if (nodes.size() < 3)
    {
        std::cerr << "VexilorHost: the plug-in in " << getPluginPath()
                  << " could not be instantiated" << std::endl;
        setApplicationReturnValue (1);
        quit();
        return;
    }

    using Connection = juce::AudioProcessorGraph::Connection;
    const auto midiChannel = juce::AudioProcessorGraph::midiChannelIndex;
    const auto midiIn = nodes[0]->nodeID, audioOut = nodes[1]->nodeID, plugin = nodes[2]->nodeID;

    graph->graph.addConnection (Connection { { plugin, 0 }, { audioOut, 0 } });
    graph->graph.addConnection (Connection { { plugin, 1 }, { audioOut, 1 } });
    graph->graph.addConnection (Connection { { midiIn, midiChannel }, { plugin, midiChannel } });

    if (auto* instance = dynamic_cast<juce::AudioPluginInstance*> (nodes[2]->getProcessor()))
    {
        processor = instance;
        mainWindow = std::make_unique<PlugInMainWindow> ("Vexilor", *instance);
    }

    commandManager.registerAllCommandsForTarget (this);
    menuItemsChanged();
    installMenu();
}

void PlugInHostApplication::shutdown()
{
    resetMIDIMessage();
    deviceManager.removeAudioCallback (&player);
    deviceManager.removeMidiInputDeviceCallback ({}, &player.getMidiMessageCollector());
    player.setProcessor (nullptr);
    removeMenu();

    settings.reset();   // writes a change that is still waiting to be saved

    juce::LookAndFeel::setDefaultLookAndFeel (nullptr);

    // The window deletes the plug-in's editor while the graph still holds the instance.
    mainWindow.reset();

    processor = nullptr;

    delete playHead;
    playHead = nullptr;

    // A quit can come while "Audio Settings" dialogs are open: a quit signal or the main
    // window's close button does not wait for them. Each one's selector works on the
    // device manager, and its close callback on this object. The framework would delete
    // them only after both are gone, so take them down here, with their callbacks unrun:
    // nothing chosen in a dialog that a quit ends is stored.
    juce::ModalComponentManager::deleteInstance();

    QuitSignals::remove();
}

void PlugInHostApplication::systemRequestedQuit()
{
    quit();
}

//==============================================================================
void PlugInHostApplication::resetMIDIMessage()
{
    juce::AudioDeviceManager::AudioDeviceSetup setup;
    deviceManager.getAudioDeviceSetup (setup);
    player.getMidiMessageCollector().reset (setup.sampleRate);
}

void PlugInHostApplication::changeListenerCallback (juce::ChangeBroadcaster*)
{
    auto& nodes = graph->graph.getNodes();

    if (nodes.size() < 3)
        return;

    auto* plugin = nodes[2]->getProcessor();

    // The audio thread may be processing the same plug-in: keep the reset out of its way.
    const juce::ScopedLock lock (plugin->getCallbackLock());
    plugin->reset();
}

//==============================================================================
void PlugInHostApplication::openSettings()
{
    juce::PropertiesFile::Options options;
    options.applicationName = "Vexilor";
    options.filenameSuffix = ".settings";
    options.folderName = {};
    options.osxLibrarySubFolder = "Application Support/Brimwick/Brimwick Anthology";
    options.commonToAllUsers = false;
    options.ignoreCaseOfKeyNames = false;
    options.doNotSave = false;
    options.millisecondsBeforeSaving = 3000;
    options.storageFormat = juce::PropertiesFile::storeAsXML;
    options.processLock = nullptr;

    settings = std::make_unique<juce::ApplicationProperties>();
    settings->setStorageParameters (options);

    const NestedSettingsGuard guard (options);
    settings->getUserSettings();
}

void PlugInHostApplication::restoreAudioDevice()
{
    const auto state = settings->getUserSettings()->getValue (deviceStateKey, {});

    // The value is XML text of its own, which the file's check did not see unescaped.
    const auto readable = NestedSettingsGuard::isSafeToRead (state);

    if (auto element = readable ? juce::XmlDocument (state).getDocumentElement (false) : nullptr)
    {
        if (deviceManager.initialise (0, 2, element.get(), true, {}, nullptr).isNotEmpty())
            deviceManager.initialiseWithDefaultDevices (0, 2);
        else
            keepRememberedMidiInputs (*element);
    }
    else
    {
        deviceManager.initialiseWithDefaultDevices (0, 2);
    }
}

// The framework records its device state before it reads the remembered MIDI inputs,
// so when none of them is here at this start, the state that the dialog stores would
// forget them all. Asking it to enable one (which fails, as the input is absent) makes
// it record its state again, now with every remembered input.
void PlugInHostApplication::keepRememberedMidiInputs (const juce::XmlElement& savedState)
{
    const auto* remembered = savedState.getChildByName ("MIDIINPUT");
    const auto state = deviceManager.createStateXml();

    if (remembered == nullptr || state == nullptr || state->getChildByName ("MIDIINPUT") != nullptr)
        return;

    deviceManager.setMidiInputDeviceEnabled (remembered->getStringAttribute ("identifier"), true);
}

void PlugInHostApplication::storeAudioDeviceState()
{
    auto element = deviceManager.createStateXml();

    if (element == nullptr)
        return;

    auto* userSettings = settings->getUserSettings();
    userSettings->setValue (deviceStateKey, element->toString (juce::XmlElement::TextFormat().withoutHeader()));
    userSettings->saveIfNeeded();
}

//==============================================================================
void PlugInHostApplication::installMenu()
{
   #if JUCE_MAC
    juce::MenuBarModel::setMacMainMenu (this, nullptr, {});
   #else
    // No global menu bar here: the "System" menu sits at the top of the main window,
    // and the window passes its key presses to the command manager.
    if (mainWindow != nullptr)
    {
        const auto* editor = mainWindow->getEditor();
        const auto editorSize = editor != nullptr ? editor->getBounds() : juce::Rectangle<int>();

        mainWindow->setMenuBar (this);

        // The menu bar adds to the window rather than taking from the editor.
        if (editor != nullptr)
        {
            mainWindow->setContentComponentSize (editorSize.getWidth(), editorSize.getHeight());
            mainWindow->centreWithSize (mainWindow->getWidth(), mainWindow->getHeight());
        }

        mainWindow->addKeyListener (commandManager.getKeyMappings());
    }
   #endif
}

void PlugInHostApplication::removeMenu()
{
   #if JUCE_MAC
    juce::MenuBarModel::setMacMainMenu (nullptr, nullptr, {});
   #else
    if (mainWindow != nullptr)
    {
        mainWindow->removeKeyListener (commandManager.getKeyMappings());
        mainWindow->setMenuBar (nullptr);
    }
   #endif
}

//==============================================================================
juce::ApplicationCommandTarget* PlugInHostApplication::getNextCommandTarget()
{
    return findFirstTargetParentComponent();
}

void PlugInHostApplication::getAllCommands (juce::Array<juce::CommandID>& commands)
{
    commands.add (HostCommandIDs::preferences);
    commands.add (HostCommandIDs::about);
}

void PlugInHostApplication::getCommandInfo (juce::CommandID commandID, juce::ApplicationCommandInfo& result)
{
    switch (commandID)
    {
        case HostCommandIDs::preferences:
            result.setInfo ("Preferences...", "Preferences", "General", 0);
            result.addDefaultKeypress (',', juce::ModifierKeys::commandModifier);
            break;

        case HostCommandIDs::about:
            result.setInfo ("About...", {}, "General", 0);
            break;

        default:
            break;
    }
}

bool PlugInHostApplication::perform (const InvocationInfo& info)
{
    switch (info.commandID)
    {
        case HostCommandIDs::preferences:   showAudioSettings(); return true;
        case HostCommandIDs::about:         showAboutBox();      return true;
        default:                            return false;
    }
}

juce::StringArray PlugInHostApplication::getMenuBarNames()
{
    return { "System" };
}

juce::PopupMenu PlugInHostApplication::getMenuForIndex (int, const juce::String&)
{
    juce::PopupMenu menu;
    menu.addCommandItem (&commandManager, HostCommandIDs::preferences);
    menu.addCommandItem (&commandManager, HostCommandIDs::about);
    return menu;
}

void PlugInHostApplication::menuItemSelected (int, int) {}

//==============================================================================
void PlugInHostApplication::showAudioSettings()
{
    auto* selector = new juce::AudioDeviceSelectorComponent (deviceManager, 0, 0, 0, 256, true, false, true, false);
    selector->setSize (500, 450);

    // The selector has no parent yet, so this names the application-wide default font.
    selector->getLookAndFeel().setDefaultSansSerifTypefaceName ("Arial Unicode MS");

    auto& lookAndFeel = mainWindow != nullptr ? mainWindow->getLookAndFeel()
                                              : juce::LookAndFeel::getDefaultLookAndFeel();

    juce::DialogWindow::LaunchOptions options;
    options.content.setOwned (selector);
    options.dialogTitle = "Audio Settings";
    options.componentToCentreAround = mainWindow.get();
    options.dialogBackgroundColour = lookAndFeel.findColour (juce::ResizableWindow::backgroundColourId);
    options.escapeKeyTriggersCloseButton = true;
    options.useNativeTitleBar = true;
    options.resizable = false;

    auto* dialog = options.create();
    dialog->enterModalState (true, juce::ModalCallbackFunction::create ([this] (int) { storeAudioDeviceState(); }), true);
}

void PlugInHostApplication::showAboutBox()
{
    juce::String text;

    if (processor != nullptr)
    {
        juce::PluginDescription description;
        processor->fillInPluginDescription (description);
        text << "Version: " << description.version << "\n";
    }

    text << "Standalone Arch: " << "2.1.0";

    juce::NativeMessageBox::showMessageBox (juce::MessageBoxIconType::NoIcon, "Vexilor", text);
}
