#include "PlugInMainWindow.h"

PlugInMainWindow::PlugInMainWindow (const juce::String& title, juce::AudioPluginInstance& instance)
    : DocumentWindow (title, juce::Colours::lightgrey, DocumentWindow::allButtons, true)
{
    editor = instance.getActiveEditor();

    if (editor == nullptr)
        editor = instance.createEditorIfNeeded();

    setUsingNativeTitleBar (true);
    setTitleBarButtonsRequired (DocumentWindow::minimiseButton | DocumentWindow::closeButton, true);
    setContentOwned (editor, true);
    centreWithSize (getWidth(), getHeight());
    setVisible (true);
}

PlugInMainWindow::~PlugInMainWindow()
{
    // The content pointer is weak, so once the editor is gone the base deletes nothing.
    delete editor;
    editor = nullptr;
}

void PlugInMainWindow::closeButtonPressed()
{
    if (auto* app = juce::JUCEApplication::getInstance())
        app->systemRequestedQuit();
}
