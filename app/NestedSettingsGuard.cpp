#include "NestedSettingsGuard.h"

NestedSettingsGuard::NestedSettingsGuard (const juce::PropertiesFile::Options& options)
{
    auto commonOptions = options;
    commonOptions.commonToAllUsers = ! options.commonToAllUsers;

    setAsideIfTooDeep (options.getDefaultFile());
    setAsideIfTooDeep (commonOptions.getDefaultFile());
}

NestedSettingsGuard::~NestedSettingsGuard()
{
    for (auto& [original, aside] : setAside)
        aside.moveFileTo (original);
}

void NestedSettingsGuard::setAsideIfTooDeep (const juce::File& file)
{
    // Read as the framework reads it, so that a byte-order mark is honoured alike.
    if (! file.existsAsFile() || nestingDepth (file.loadFileAsString()) <= maxDepth)
        return;

    const auto aside = file.getSiblingFile (file.getFileName() + ".unread");

    if (file.moveFileTo (aside))
        setAside.emplace_back (file, aside);
}

int NestedSettingsGuard::nestingDepth (const juce::String& xmlText)
{
    int depth = 0, deepest = 0;
    auto p = xmlText.getCharPointer();

    // Skips to just past the terminator, or to the end of the text.
    const auto skipPast = [&p] (const char* terminator)
    {
        const auto found = p.indexOf (juce::CharPointer_ASCII (terminator));
        p = found < 0 ? p.findTerminatingNull() : p + found + (int) strlen (terminator);
    };

    while (! p.isEmpty())
    {
        if (p.getAndAdvance() != '<')
            continue;

        if (p.compareUpTo (juce::CharPointer_ASCII ("!--"), 3) == 0)           skipPast ("-->");
        else if (p.compareUpTo (juce::CharPointer_ASCII ("![CDATA["), 8) == 0) skipPast ("]]>");
        else if (*p == '?' || *p == '!')                                       skipPast (">");
        else if (*p == '/')                                                    { depth = juce::jmax (0, depth - 1); skipPast (">"); }
        else
        {
            // An opening tag, unless it closes itself; quoted values may hold '>'.
            juce::juce_wchar quote = 0, previous = 0;

            while (! p.isEmpty())
            {
                const auto c = p.getAndAdvance();

                if (quote != 0)                   { if (c == quote) quote = 0; }
                else if (c == '"' || c == '\'')   quote = c;
                else if (c == '>')                break;
                else                              previous = c;
            }

            if (previous != '/')
                deepest = juce::jmax (deepest, ++depth);
        }
    }

    return deepest;
}
