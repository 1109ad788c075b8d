#pragma once

#include <juce_data_structures/juce_data_structures.h>

//==============================================================================
/**
    The framework's XML reader recurses once per level of nesting, so a settings file
    nested some ten thousand levels deep overflows the stack while it loads. No file
    the host writes nests more than a few levels: one nested deeper than maxDepth is
    not the host's, and is treated like any other unreadable settings file.

    While a guard exists, such files (the user's and the machine-wide one) are moved
    aside, so the framework finds none and starts with no values; the guard puts them
    back, untouched, when it is destroyed. Only the framework's loading of the files
    may happen in between.
*/
class NestedSettingsGuard
{
public:
    explicit NestedSettingsGuard (const juce::PropertiesFile::Options& options);
    ~NestedSettingsGuard();

    /** The deepest nesting of elements in the text, counted without recursion. */
    static int nestingDepth (const juce::String& xmlText);

    static constexpr int maxDepth = 1000;

private:
    void setAsideIfTooDeep (const juce::File& file);

    std::vector<std::pair<juce::File, juce::File>> setAside;   // where each was, where it is

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (NestedSettingsGuard)
};
