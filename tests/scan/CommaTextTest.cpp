#include "scan/TreeScan.h"

#include <gtest/gtest.h>

namespace {

struct TWriteCase
{
    QString Text;
    QStringList Expected;  // the list in its sorted order
};

TEST(MaskCommaText, WriteTable)
{
    const TWriteCase cases[] = {
        {"", {}},
        {"   ", {}},
        {"a.txt", {"a.txt"}},
        // sorted case-blind; a case variant of an entry is dropped, the first stays
        {"b*.txt,A*.txt,a*.TXT", {"A*.txt", "b*.txt"}},
        // comma, comma and space, and space alone all separate
        {"b,a", {"a", "b"}},
        {"b, a", {"a", "b"}},
        {"b a", {"a", "b"}},
        {" \t a,b", {"a", "b"}},
        // a comma at the very end adds an empty entry; one followed by a blank does not
        {"a,", {"", "a"}},
        {"a, ", {"a"}},
        {",a", {"", "a"}},
        {"a,,b", {"", "a", "b"}},
        // quotes keep blanks and commas; doubled quotes stand for one
        {"\"a b\",c", {"a b", "c"}},
        {"\"x,y\"", {"x,y"}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"\"\"", {""}},
        {"\"a\"b", {"a", "b"}},
        // an unclosed quote: the rest of the text is the last entry
        {"b,\"open c", {"b", "open c"}},
        // the text ends at a NUL character
        {QString("a,b") + QChar(0) + ",c", {"a", "b"}},
    };
    for (const TWriteCase& c : cases) {
        TTreeScanner scanner;
        scanner.SetFileMask("previous");
        scanner.SetFileMaskCommaText(c.Text);
        EXPECT_EQ(scanner.FileMasks(), c.Expected) << c.Text.toStdString();
        EXPECT_EQ(scanner.FileMask(), c.Expected.isEmpty() ? QString() : c.Expected.front());
        // What is read back parses to the same list.
        TTreeScanner copy;
        copy.SetFileMaskCommaText(scanner.FileMaskCommaText());
        EXPECT_EQ(copy.FileMasks(), c.Expected) << "round trip of " << c.Text.toStdString();
    }
}

struct TReadCase
{
    bool ThroughFileMask;  // else through the comma text
    QString Written;
    QString Expected;
};

TEST(MaskCommaText, ReadTable)
{
    const TReadCase cases[] = {
        {false, "", ""},
        {true, "", "\"\""},
        {false, "b*.txt,A*.txt,a*.TXT", "A*.txt,b*.txt"},
        {false, "a,", ",a"},
        // FileMask takes the text unchanged as one entry
        {true, "a,b", "\"a,b\""},
        {true, "a b", "\"a b\""},
        {true, "a\tb", "\"a\tb\""},
        {true, "say \"hi\"", "\"say \"\"hi\"\"\""},
        {true, "2*crm.grb", "2*crm.grb"},
    };
    for (const TReadCase& c : cases) {
        TTreeScanner scanner;
        if (c.ThroughFileMask)
            scanner.SetFileMask(c.Written);
        else
            scanner.SetFileMaskCommaText(c.Written);
        EXPECT_EQ(scanner.FileMaskCommaText(), c.Expected) << c.Written.toStdString();
        if (c.ThroughFileMask) {
            EXPECT_EQ(scanner.FileMasks(), QStringList{c.Written});
            EXPECT_EQ(scanner.FileMask(), c.Written);
        }
    }
}

TEST(TreeScannerProperties, InitialValues)
{
    QObject owner;
    auto* scanner = new TTreeScanner(&owner);
    EXPECT_EQ(scanner->parent(), &owner);
    EXPECT_FALSE(scanner->OnDirectoryFound());
    EXPECT_FALSE(scanner->OnFileFound());
    EXPECT_TRUE(scanner->FileFound().isEmpty());
    EXPECT_EQ(scanner->FileSize(), 0);
    EXPECT_FALSE(scanner->SearchInProgress());
    EXPECT_TRUE(scanner->InitialDirectory().isEmpty());
    EXPECT_TRUE(scanner->FileMask().isEmpty());
    EXPECT_TRUE(scanner->FileMaskCommaText().isEmpty());
    EXPECT_TRUE(scanner->Recursive());
    EXPECT_FALSE(scanner->FindHiddenFiles());
    EXPECT_FALSE(scanner->FindHiddenFolders());
    EXPECT_FALSE(scanner->ContinueSearch());
    EXPECT_FALSE(scanner->SkipFiles());
}

}  // namespace
