#include "scan/Wildcard.h"

#include <gtest/gtest.h>

namespace {

struct TMatchCase
{
    const char* Mask;  // UTF-8
    QByteArray Name;   // the file system's bytes
    bool Expected;
};

TEST(Wildcard, MatchTable)
{
    const TMatchCase cases[] = {
        // the product mask, letter case ignored, whole name only
        {"2*crm.grb", "202106231200-crm.grb", true},
        {"2*crm.grb", "202106231200-CRM.GRB", true},
        {"2*crm.grb", "x202106231200-crm.grb", false},
        {"2*crm.grb", "202106231200-crm.grb.bak", false},
        {"2*crm.grb", "2crm.grb", true},
        // '*' takes any run, backtracking where a later part must match
        {"*", "abc", true},
        {"*ab", "aab", true},
        {"a*b*c", "aXbYbZc", true},
        {"a*b*c", "aXbYbZ", false},
        {"*a", "bab", false},
        // '?' is exactly one character, a multi-byte one too
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"?", "\xc3\xa4", true},
        {"??", "\xc3\xa4", false},
        // no other special characters, no implied extension
        {"*.*", "abc", false},
        {"*.*", "a.b", true},
        {"[a]", "a", false},
        {"[a]", "[a]", true},
        {"a\\b", "a\\b", true},
        {"", "a", false},
        // letters beyond ASCII are case-blind too
        {"\xc3\x84"
         "B*",
         "\xc3\xa4"
         "bc",
         true},
        {"\xc3\xa4", "a", false},
        // bytes of invalid UTF-8 are characters no mask character equals
        {"*", "bad\xff", true},
        {"bad?", "bad\xff", true},
        {"bad??", "bad\xff", false},
        {"bad\xef\xbf\xbd", "bad\xff", false},
        {"?", "\xe2\x82", false},  // a truncated sequence is two characters
        {"??", "\xe2\x82", true},
    };
    for (const TMatchCase& c : cases) {
        const TWildcard mask(QString::fromUtf8(c.Mask));
        EXPECT_EQ(mask.Matches(c.Name), c.Expected) << "mask " << c.Mask << " name " << c.Name.toHex().constData();
        // Where the name is valid UTF-8, the decoded form decides the same.
        if (QString::fromUtf8(c.Name).toUtf8() == c.Name) {
            EXPECT_EQ(mask.Matches(QString::fromUtf8(c.Name)), c.Expected) << "mask " << c.Mask;
        }
    }
}

}  // namespace
