#pragma once
// Locale-aware, case-insensitive comparison of the user's locale (QLocale(),
// the system locale unless a test pins another); under the C and POSIX
// locales, the locale-neutral root order.
//
// ICU ignores control characters and calls some different strings equal, so
// two strings compare equal here only when the collator says so and their
// simple case folds are equal too; otherwise the case folds decide the order.
#include <QByteArrayView>
#include <QCollatorSortKey>
#include <QString>
#include <cstddef>
#include <cstdint>

int CompareTextLocale(const QString& a, const QString& b);

// As CompareTextLocale, with ties broken by the exact UTF-16 text, so only
// identical strings compare equal (Data/ and data/ are two folders).
int CompareTextLocaleExact(const QString& a, const QString& b);

// True when the two strings are equal ignoring case under the rule above.
bool SameTextLocale(const QString& a, const QString& b);

// CompareTextLocale (exact: CompareTextLocaleExact) of two valid UTF-8 texts,
// decoded; through TAsciiCollation when both are printable ASCII and the
// locale has it.
int CompareUtf8Locale(QByteArrayView a, QByteArrayView b, bool exact);

// A precomputed key that orders exactly as CompareTextLocale (and, with the
// exact flag, as CompareTextLocaleExact), for sorting many strings fast.
class TCollationKey
{
public:
    explicit TCollationKey(const QString& text);
    int Compare(const QString& ownText, const TCollationKey& other, const QString& otherText, bool exactTieBreak) const;

private:
    QCollatorSortKey FKey;
};

// The fast path for text made only of printable ASCII (U+0020 to U+007E),
// which product names and ledger lines are.
//
// Where the locale's collation has no rule of its own for those characters
// (no contraction such as Czech "ch", no letter moved as Lithuanian "y"),
// the collator gives every one of them a single weight and compares two such
// texts weight by weight. So a table of 95 ranks, read off the collator
// itself, gives its order: first the ranks, then (equal ranks) the ASCII case
// folds, then (exact) the bytes - CompareTextLocale(Exact) to the letter.
//
// Current() offers the table only for languages whose collation leaves ASCII
// alone (English, which the C locale gets, and others listed in
// Collation.cpp), and only after the table has passed a check against the
// collator on every text of up to two such characters. Everywhere else it is
// null and every comparison goes to the collator.
class TAsciiCollation
{
public:
    // The table of the current locale, or null when it has none.
    static const TAsciiCollation* Current();

    // True when every byte is printable ASCII (0x20 to 0x7E).
    static bool IsEligible(const char* text, size_t length);

    // The comparison of CompareTextLocale (exact: CompareTextLocaleExact) for
    // two eligible texts; -1, 0 or 1.
    int Compare(const char* a, size_t aLength, const char* b, size_t bLength, bool exact) const;

    // The ranks of the first 8 characters of an eligible text (from `from`),
    // one byte each, most significant first, 0 past its end: of two texts,
    // the one with the smaller key sorts first; equal keys decide nothing.
    uint64_t PrefixKey(const char* text, size_t length, size_t from = 0) const;

    // The collator's rank of a printable ASCII character (1 to 95).
    uint8_t Rank(unsigned char c) const { return FRank[c & 0x7F]; }

private:
    TAsciiCollation() = default;
    // Reads the ranks off the collator; false when they fail the check.
    bool Build();
    friend struct TAsciiCollationAccess;

    uint8_t FRank[128] = {};
};

// Resets the cached collator after the default locale changed (tests).
void ResetCollation();
