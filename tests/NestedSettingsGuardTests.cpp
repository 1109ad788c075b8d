#include "app/NestedSettingsGuard.h"
#include "support/TestSupport.h"

#include <cstring>

using namespace TestSupport;

namespace
{
    juce::String repeated (const juce::String& text, int times)
    {
        return juce::String::repeatedString (text, times);
    }

    /** Elements nested this deep in all, with a value at the top that the framework reads. */
    juce::String settingsNestedTo (int depth, const juce::String& opening = "<a>")
    {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<PROPERTIES><VALUE name=\"kept\" val=\"here\"/>"
               + repeated (opening, depth - 1) + repeated ("</a>", depth - 1)
               + "</PROPERTIES>\n";
    }

    juce::PropertiesFile::Options hostSettingsOptions()
    {
        juce::PropertiesFile::Options options;
        options.applicationName = "Vexilor";
        options.filenameSuffix = ".settings";
        options.folderName = {};
        options.storageFormat = juce::PropertiesFile::storeAsXML;
        return options;
    }

    juce::MemoryBlock contentsOf (const juce::File& file)
    {
        juce::MemoryBlock bytes;
        file.loadFileAsData (bytes);
        return bytes;
    }

    constexpr auto limit = NestedSettingsGuard::maxTags;
}

//==============================================================================
TEST (SafeToRead, settingsAsTheFrameworkWritesThemAreSafe)
{
    EXPECT_TRUE (NestedSettingsGuard::isSafeToRead (settingsNestedTo (3)));
    EXPECT_TRUE (NestedSettingsGuard::isSafeToRead ({}));
    EXPECT_TRUE (NestedSettingsGuard::isSafeToRead ("Not a settings file at all > < />"));
}

TEST (SafeToRead, moreTagsThanTheLimitAreNot)
{
    const auto atTheLimit = repeated ("<a>", limit / 2) + repeated ("</a>", limit / 2);
    EXPECT_TRUE (NestedSettingsGuard::isSafeToRead (atTheLimit));
    EXPECT_FALSE (NestedSettingsGuard::isSafeToRead (atTheLimit + "<"));
    EXPECT_FALSE (NestedSettingsGuard::isSafeToRead (settingsNestedTo (30000)));
}

// However the markup around them is read, the nested tags are counted.
TEST (SafeToRead, nestingHiddenInOddMarkupIsStillCounted)
{
    const auto deep = repeated ("<a>", 3000) + repeated ("</a>", 3000);

    const char* const around[][2] =
    {
        { "<PROPERTIES><b><c d\"/>",                   "</b></PROPERTIES>" },       // a quote that opens no value
        { "<PROPERTIES>&x<!--;",                       "--></PROPERTIES>" },        // an entity's name holds a comment's start
        { "<PROPERTIES><!-- ",                         "--></PROPERTIES>" },        // inside a comment
        { "<PROPERTIES><b <!-- --> c=\"<!--\">",       "--></b></PROPERTIES>" },    // a comment inside a tag
        { "<PROPERTIES>&",                             ";</PROPERTIES>" },          // elements as an entity's name
    };

    for (auto& [before, after] : around)
    {
        SCOPED_TRACE (before);
        EXPECT_FALSE (NestedSettingsGuard::isSafeToRead (before + deep + after));
    }
}

TEST (SafeToRead, textTheReaderWouldNeverFinishIsNot)
{
    // An entity that expands into itself, and an instruction the reader returns to for ever.
    EXPECT_FALSE (NestedSettingsGuard::isSafeToRead ("<!DOCTYPE PROPERTIES [ <!ENTITY e \"<a>&e;</a>\"> ]>\n"
                                                     "<PROPERTIES>&e;</PROPERTIES>"));
    EXPECT_FALSE (NestedSettingsGuard::isSafeToRead ("<?xml version=\"1.0\"?>\n<PROPERTIES> <?x?>t</PROPERTIES>"));
    EXPECT_FALSE (NestedSettingsGuard::isSafeToRead ("<PROPERTIES>&<a> <?x?>t</a>;</PROPERTIES>"));
}

//==============================================================================
class NestedSettingsGuardTests  : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ (settingsFile, home.settingsFile());
    }

    /** What the framework reads from the user's settings file while a guard exists; also
        says whether the file stood in its place then.
    */
    juce::StringPairArray loadUnderGuard (bool& fileWasInPlace)
    {
        juce::ApplicationProperties settings;
        settings.setStorageParameters (options);

        {
            const NestedSettingsGuard guard (options);
            fileWasInPlace = settingsFile.existsAsFile();
            return settings.getUserSettings()->getAllProperties();
        }
    }

    void expectSetAsideAndBack (const juce::MemoryBlock& original)
    {
        ASSERT_TRUE (settingsFile.getParentDirectory().createDirectory());
        ASSERT_TRUE (settingsFile.replaceWithData (original.getData(), original.getSize()));

        bool fileWasInPlace = true;
        EXPECT_EQ (loadUnderGuard (fileWasInPlace).size(), 0);
        EXPECT_FALSE (fileWasInPlace);

        // Back in place, byte for byte, with nothing left beside it.
        EXPECT_EQ (contentsOf (settingsFile), original);
        EXPECT_EQ (settingsFile.getParentDirectory().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 1);
    }

    ScopedHome home;
    juce::PropertiesFile::Options options = hostSettingsOptions();
    juce::File settingsFile = options.getDefaultFile();
};

TEST_F (NestedSettingsGuardTests, unsafeFileLeavesTheFrameworkNoValuesAndComesBackUntouched)
{
    expectSetAsideAndBack (bytesOf (settingsNestedTo (limit)));
}

TEST_F (NestedSettingsGuardTests, safeFileStaysInPlaceAndIsRead)
{
    const auto text = settingsNestedTo (limit / 4);
    ASSERT_TRUE (NestedSettingsGuard::isSafeToRead (text));
    const auto original = bytesOf (text);
    ASSERT_TRUE (settingsFile.getParentDirectory().createDirectory());
    ASSERT_TRUE (settingsFile.replaceWithData (original.getData(), original.getSize()));

    bool fileWasInPlace = false;
    const auto values = loadUnderGuard (fileWasInPlace);

    EXPECT_TRUE (fileWasInPlace);
    EXPECT_EQ (values["kept"], "here");
    EXPECT_EQ (contentsOf (settingsFile), original);
}

TEST_F (NestedSettingsGuardTests, utf16FileIsMeasuredAsTheFrameworkReadsIt)
{
    // Read as plain bytes, its first zero byte would end the text at once.
    expectSetAsideAndBack (utf16WithByteOrderMark (settingsNestedTo (limit)));
}

TEST_F (NestedSettingsGuardTests, fileThatIsNotUtf8IsMeasuredAsTheFrameworkReadsIt)
{
    // One byte that is not UTF-8 makes the framework decode the file another way; its
    // tags are counted all the same.
    auto bytes = bytesOf (settingsNestedTo (limit, juce::String::fromUTF8 ("<a \xc3\xa9=\"x\">")));
    static_cast<char*> (bytes.getData())[bytes.getSize() - 1] = (char) 0xff;   // the last line break

    expectSetAsideAndBack (bytes);
}
