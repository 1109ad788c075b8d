#pragma once

#include <juce_data_structures/juce_data_structures.h>

//==============================================================================
/**
    Keeps settings text that the framework's XML reader cannot be trusted with away
    from it. The reader recurses once for each element it nests, so a file nested some
    ten thousand levels deep overflows the stack; it expands a document type's entities
    without end; and it loops for ever on a processing instruction inside an element.

    No file the host writes holds more than a dozen tags, a document type or an
    instruction after its declaration, so text that does is not the host's and is
    treated like any other unreadable settings file.

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

    /** False for text with more than maxTags tags (each '<' counts, so the reader's
        nesting can go no deeper), a document type, or an instruction other than a
        leading declaration.
    */
    static bool isSafeToRead (const juce::String& xmlText);

    static constexpr int maxTags = 1000;

private:
    void setAsideIfUnsafe (const juce::File& file);

    std::vector<std::pair<juce::File, juce::File>> setAside;   // where each was, where it is

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (NestedSettingsGuard)
};
