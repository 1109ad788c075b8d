#include "NestedSettingsGuard.h"

NestedSettingsGuard::NestedSettingsGuard (const juce::PropertiesFile::Options& options)
{
    auto commonOptions = options;
    commonOptions.commonToAllUsers = ! options.commonToAllUsers;

    setAsideIfUnsafe (options.getDefaultFile());
    setAsideIfUnsafe (commonOptions.getDefaultFile());
}

NestedSettingsGuard::~NestedSettingsGuard()
{
    for (auto& [original, aside] : setAside)
        aside.moveFileTo (original);
}

void NestedSettingsGuard::setAsideIfUnsafe (const juce::File& file)
{
    // Decoded as the framework decodes it (UTF-16 by its byte-order mark); whatever the
    // decoding, each '<' of the text is a '<' byte of the file and the other way round.
    if (! file.existsAsFile() || isSafeToRead (file.loadFileAsString()))
        return;

    const auto aside = file.getSiblingFile (file.getFileName() + ".unread").getNonexistentSibling();

    if (file.moveFileTo (aside))
        setAside.emplace_back (file, aside);
}

bool NestedSettingsGuard::isSafeToRead (const juce::String& xmlText)
{
    int tags = 0;

    for (auto p = xmlText.getCharPointer(); ! p.isEmpty();)
        if (p.getAndAdvance() == '<' && ++tags > maxTags)
            return false;

    auto rest = xmlText.trimStart();

    if (rest.startsWith ("<?"))
        rest = rest.fromFirstOccurrenceOf ("?>", false, false);

    return ! rest.contains ("<?") && ! rest.containsIgnoreCase ("<!DOCTYPE") && ! rest.containsIgnoreCase ("<!ENTITY");
}
