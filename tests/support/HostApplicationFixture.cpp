#include "HostApplicationFixture.h"
#include "X11Desktop.h"
#include "app/HostCommandIDs.h"

HostApplicationFixture::HostApplicationFixture()
    : previousCreateInstance (juce::JUCEApplicationBase::createInstance)
{
    // As the program's entry does, so that the application object created here is the
    // one the framework expects.
    juce::JUCEApplicationBase::createInstance = [] () -> juce::JUCEApplicationBase* { return new PlugInHostApplication(); };
}

HostApplicationFixture::~HostApplicationFixture()
{
    stop();
    juce::JUCEApplicationBase::createInstance = previousCreateInstance;
}

PlugInHostApplication& HostApplicationFixture::create()
{
    jassert (app == nullptr);
    app = std::make_unique<PlugInHostApplication>();
    return *app;
}

PlugInHostApplication& HostApplicationFixture::start()
{
    create().initialise ({});
    return *app;
}

void HostApplicationFixture::stop()
{
    if (app == nullptr)
        return;

    app->shutdown();
    app.reset();
}

static void writeAlsaDefaultDevice (const juce::File& configuration, const juce::String& slave, const juce::File& output)
{
    // Alone in the process's configuration: no other device is defined, so the slave
    // is defined here too. The hint lists the device, named by its id, even while it
    // cannot be opened.
    configuration.replaceWithText (
        "pcm.default {\n"
        "    hint.show on\n"
        "    type file\n"
        "    slave.pcm " + slave + "\n"
        "    file \"" + output.getFullPathName() + "\"\n"
        "    format \"raw\"\n"
        "}\n");
}

void HostApplicationFixture::useAlsaDevice (const juce::File& output) const
{
    writeAlsaDefaultDevice (home.alsaConfiguration(), "{ type null }", output);
}

void HostApplicationFixture::useAlsaDeviceThatCannotOpen() const
{
    writeAlsaDefaultDevice (home.alsaConfiguration(), "\"undefined\"", juce::File ("/dev/null"));
}

std::unique_ptr<juce::XmlElement> HostApplicationFixture::storedDeviceSetup() const
{
    // The framework stores a value that is an XML element as the child of its "VALUE".
    if (auto root = juce::parseXMLIfTagMatches (home.settingsFile(), "PROPERTIES"))
        for (auto* value : root->getChildWithTagNameIterator ("VALUE"))
            if (value->getStringAttribute ("name") == "audioDeviceState")
                if (auto* setup = value->getChildByName ("DEVICESETUP"))
                    return std::make_unique<juce::XmlElement> (*setup);

    return {};
}

juce::AudioIODevice* HostApplicationFixture::currentDevice() const
{
    return app != nullptr ? app->deviceManager.getCurrentAudioDevice() : nullptr;
}

//==============================================================================
juce::Array<juce::DialogWindow*> HostApplicationFixture::audioSettingsDialogs()
{
    juce::Array<juce::DialogWindow*> dialogs;
    auto& desktop = juce::Desktop::getInstance();

    for (int i = 0; i < desktop.getNumComponents(); ++i)
        if (auto* dialog = dynamic_cast<juce::DialogWindow*> (desktop.getComponent (i)))
            if (dialog->getName() == "Audio Settings")
                dialogs.add (dialog);

    return dialogs;
}

juce::DialogWindow* HostApplicationFixture::openAudioSettings()
{
    const auto before = audioSettingsDialogs();
    app->commandManager.invokeDirectly (HostCommandIDs::preferences, false);
    const auto after = audioSettingsDialogs();

    if (after.size() != before.size() + 1)
        return nullptr;

    for (auto* dialog : after)
        if (! before.contains (dialog))
            return dialog;

    return nullptr;
}

bool HostApplicationFixture::closeWithCloseButton (juce::DialogWindow& dialog)
{
    auto* peer = dialog.getPeer();

    if (peer == nullptr)
        return false;

    peer->handleUserClosingWindow();

    // The framework runs the close callback and deletes the dialog in one message.
    juce::Component::SafePointer<juce::DialogWindow> watched (&dialog);
    return TestSupport::runMessageLoopUntil ([&] { return watched == nullptr; });
}

juce::ComboBox* HostApplicationFixture::findComboBox (juce::Component& root, const juce::String& labelText)
{
    for (auto* child : root.getChildren())
    {
        if (auto* label = dynamic_cast<juce::Label*> (child))
            if (label->getText() == labelText)
                if (auto* list = dynamic_cast<juce::ComboBox*> (label->getAttachedComponent()))
                    return list;

        if (auto* list = findComboBox (*child, labelText))
            return list;
    }

    return nullptr;
}

bool HostApplicationFixture::chooseItem (juce::ComboBox& list, const juce::String& textStart)
{
    for (int i = 0; i < list.getNumItems(); ++i)
    {
        if (list.getItemText (i).startsWith (textStart))
        {
            list.setSelectedItemIndex (i, juce::sendNotificationSync);
            return true;
        }
    }

    return false;
}

bool HostApplicationFixture::typeKeys (juce::Component& window, const juce::String& keys,
                                      const std::function<bool()>& effect)
{
    auto* peer = window.getPeer();

    if (peer == nullptr)
        return false;

    const auto windowId = (TestSupport::X11Desktop::WindowId) (juce::pointer_sized_uint) peer->getNativeHandle();
    TestSupport::X11Desktop desktop;

    // The window takes the focus once the window manager has taken it in.
    if (! TestSupport::runMessageLoopUntil ([&] { return desktop.isFramed (windowId); }, 10000))
        return false;

    // The X server gives a key press to the window under the pointer when that lies
    // inside the focused window: over an embedded plug-in editor, the plug-in would take
    // the keys. The window may still be moving into place (the window manager applies the
    // framework's last resize and re-centring when it gets to them), so the pointer goes
    // outside it, to the screen's corner, and the keys go to the focused window itself.
    // (xdotool's --sync would wait for good when the pointer is there already.)
    const TestSupport::X11Desktop::Position corner { 0, 0 };

    if (! runXdotool ({ "mousemove", juce::String (corner.x), juce::String (corner.y) })
         || ! TestSupport::runMessageLoopUntil ([&] { return desktop.getPointerPosition() == corner; }, 10000))
        return false;

    // Keys chained to a window command would be sent as synthetic events; typed on their
    // own they go through the X server, as a keyboard's do.
    if (! runXdotool ({ "windowfocus", "--sync", juce::String ((juce::uint64) windowId) })
         || ! runXdotool ({ "key", keys }))
        return false;

    return TestSupport::runMessageLoopUntil ([&]
    {
        desktop.nudge (windowId);
        return effect();
    }, 10000);
}

bool HostApplicationFixture::runXdotool (const juce::StringArray& arguments)
{
    juce::ChildProcess xdotool;
    juce::StringArray command { "xdotool" };
    command.addArray (arguments);

    if (! xdotool.start (command))
        return false;

    // The windows answer focus and key events only while the message loop runs.
    if (! TestSupport::runMessageLoopUntil ([&] { return ! xdotool.isRunning(); }, 10000))
        return false;

    return xdotool.getExitCode() == 0;
}
