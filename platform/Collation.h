#pragma once
// Locale-aware, case-insensitive comparison of the user's locale (QLocale(),
// the system locale unless a test pins another); under the C and POSIX
// locales, the locale-neutral root order.
//
// ICU ignores control characters and calls some different strings equal, so
// two strings compare equal here only when the collator says so and their
// simple case folds are equal too; otherwise the case folds decide the order.
#include <QCollatorSortKey>
#include <QString>

int CompareTextLocale(const QString& a, const QString& b);

// As CompareTextLocale, with ties broken by the exact UTF-16 text, so only
// identical strings compare equal (Data/ and data/ are two folders).
int CompareTextLocaleExact(const QString& a, const QString& b);

// True when the two strings are equal ignoring case under the rule above.
bool SameTextLocale(const QString& a, const QString& b);

// A precomputed key that orders exactly as CompareTextLocale (and, with the
// exact flag, as CompareTextLocaleExact), for sorting many strings fast.
class TCollationKey
{
public:
    explicit TCollationKey(const QString& text);
    int Compare(const QString& ownText, const TCollationKey& other, const QString& otherText,
                bool exactTieBreak) const;

private:
    QCollatorSortKey FKey;
};

// Resets the cached collator after the default locale changed (tests).
void ResetCollation();
