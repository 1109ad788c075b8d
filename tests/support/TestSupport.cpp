#include "TestSupport.h"

#include <cstdlib>
#include <unistd.h>

namespace TestSupport
{
    static juce::File demoFile (const char* name)   { return juce::File (VEXILOR_DEMO_DIR).getChildFile (name); }

    juce::File demoInstrument()             { return demoFile ("DemoInstrument.so"); }
    juce::File demoInstrumentNoEditor()     { return demoFile ("DemoInstrumentNoEditor.so"); }
    juce::File demoInstrumentMono()         { return demoFile ("DemoInstrumentMono.so"); }
    juce::File demoInstrumentResizing()     { return demoFile ("DemoInstrumentResizing.so"); }
    juce::File nullInstrument()             { return demoFile ("NullInstrument.so"); }
    juce::File hostBinary()                 { return juce::File (VEXILOR_HOST_BINARY); }

    juce::PluginDescription scanPlugin (const juce::File& pluginFile)
    {
        juce::VSTPluginFormat format;
        juce::OwnedArray<juce::PluginDescription> found;
        format.findAllTypesForFile (found, pluginFile.getFullPathName());

        if (found.isEmpty())
        {
            ADD_FAILURE() << "no plug-in type in " << pluginFile.getFullPathName();
            return {};
        }

        return *found.getFirst();
    }

    //==============================================================================
    std::map<std::string, std::string> isolatedAudioEnvironment (const juce::File& alsaConfiguration)
    {
        alsaConfiguration.replaceWithText ("# No device: the test brings its own.\n");

        return { { "ALSA_CONFIG_PATH", alsaConfiguration.getFullPathName().toStdString() },
                 { "JACK_DEFAULT_SERVER", "vexilor-no-server-" + std::to_string (getpid()) },
                 { "JACK_NO_START_SERVER", "1" } };
    }

    //==============================================================================
    ScopedHome::ScopedHome()
        : home (juce::File ("/tmp").getNonexistentChildFile ("vexilor-home-" + juce::String (getpid()), {}, false))
    {
        home.createDirectory();
        auto variables = isolatedAudioEnvironment (alsaConfiguration());
        variables["HOME"] = home.getFullPathName().toStdString();

        for (const auto& [name, value] : variables)
        {
            const auto* previous = getenv (name.c_str());
            previousVariables[name] = previous != nullptr ? std::optional<std::string> (previous) : std::nullopt;
            setenv (name.c_str(), value.c_str(), 1);
        }
    }

    ScopedHome::~ScopedHome()
    {
        for (const auto& [name, previous] : previousVariables)
        {
            if (previous.has_value())
                setenv (name.c_str(), previous->c_str(), 1);
            else
                unsetenv (name.c_str());
        }

        home.deleteRecursively();
    }

    void ScopedHome::installPlugin (const juce::File& pluginFile) const
    {
        auto target = home.getChildFile (".vst/Vexilor.so");
        target.getParentDirectory().createDirectory();
        ASSERT_TRUE (pluginFile.copyFileTo (target)) << pluginFile.getFullPathName();
    }

    juce::File ScopedHome::settingsFile() const
    {
        return home.getChildFile (".Vexilor/Vexilor.settings");
    }

    juce::File ScopedHome::alsaConfiguration() const
    {
        return home.getChildFile ("alsa.conf");
    }

    //==============================================================================
    bool runMessageLoopUntil (const std::function<bool()>& condition, int timeoutMs)
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

        while (! condition())
        {
            if (juce::Time::getMillisecondCounter() >= end)
                return false;

            juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
        }

        return true;
    }

    void deliverPendingMessages()
    {
        // Messages are delivered in the order they were posted.
        auto delivered = std::make_shared<bool> (false);
        juce::MessageManager::callAsync ([delivered] { *delivered = true; });
        EXPECT_TRUE (runMessageLoopUntil ([delivered] { return *delivered; }));
    }

    juce::MemoryBlock bytesOf (const juce::String& text)
    {
        return { text.toRawUTF8(), text.getNumBytesAsUTF8() };
    }

    juce::MemoryBlock utf16WithByteOrderMark (const juce::String& text)
    {
        juce::MemoryOutputStream out;
        out.writeByte ((char) 0xff);
        out.writeByte ((char) 0xfe);

        for (auto character : text)
            out.writeShort ((short) character);

        return out.getMemoryBlock();
    }

    juce::Array<juce::AlertWindow*> alertWindowsOnDesktop()
    {
        juce::Array<juce::AlertWindow*> alerts;
        auto& desktop = juce::Desktop::getInstance();

        for (int i = 0; i < desktop.getNumComponents(); ++i)
            if (auto* alert = dynamic_cast<juce::AlertWindow*> (desktop.getComponent (i)))
                alerts.add (alert);

        return alerts;
    }
}
