#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

//==============================================================================
/**
    The application's one window: titled by start-up, its whole content is the
    hosted plug-in's own editor, and its close button quits the application.

    The window owns the editor through its own member and deletes it first in its
    destructor, while the plug-in instance (owned by the graph) still exists; the
    framework window only holds a weak reference to its content.
*/
class PlugInMainWindow  : public juce::DocumentWindow
{
public:
    /** Builds, fills and shows the window. The instance is not owned. */
    PlugInMainWindow (const juce::String& title, juce::AudioPluginInstance& instance);
    ~PlugInMainWindow() override;

    void closeButtonPressed() override;

    /** The editor shown as content; null when the plug-in offers none. */
    juce::AudioProcessorEditor* getEditor() const noexcept   { return editor; }

private:
    juce::AudioProcessorEditor* editor = nullptr;   // owned: deleted by the destructor

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PlugInMainWindow)
};
