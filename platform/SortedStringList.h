#pragma once
// A list of strings kept in ascending order under the locale comparison of
// Collation.h. Adding a string equal to one present leaves the list unchanged
// (the one added first stays). Each entry may carry a 64-bit tag.
//
// Lines of the form "name=value" can be looked up by name; the lookup gives
// exactly what a scan from the first line would give (the first line in list
// order with that name), from a hash of names rather than a scan.
#include "platform/Collation.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

class TSortedStringList
{
public:
    enum class TDuplicates {
        IgnoreCase,  // equal ignoring case counts as a duplicate
        ExactOnly,   // order ties by exact text; only identical strings are duplicates
    };

    explicit TSortedStringList(TDuplicates duplicates = TDuplicates::IgnoreCase);

    int Count() const { return static_cast<int>(FEntries.size()); }
    // Throws std::out_of_range for an index outside 0 .. Count() - 1.
    const QString& Get(int index) const;
    int64_t Tag(int index) const;
    QStringList ToStringList() const;

    // Sorted insert; returns the index of the new entry, or -1 when an equal
    // entry was already present.
    int Add(const QString& text, int64_t tag = 0);
    // Replaces the contents by the given strings, as if each were added in
    // order (the first of several equal strings stays); much faster than Adds.
    void Assign(const QStringList& texts);
    void Clear();
    // Index of an entry equal to the text, or -1.
    int IndexOf(const QString& text) const;

    // Index of the first line whose name (the text before its first '=')
    // equals the given name ignoring case, or -1; lines without '=' are skipped.
    int IndexOfName(const QString& name) const;
    // IndexOfName(name) != -1, without locating the line.
    bool ContainsName(const QString& name) const;
    // The text after the name and '=' of that line; empty when there is none.
    QString Values(const QString& name) const;

private:
    struct TEntry
    {
        QString Text;
        TCollationKey Key;
        int64_t Tag;
    };

    int Compare(const TEntry& a, const TEntry& b) const;
    // First position whose entry is not below the probe; sets found when equal.
    size_t LowerBound(const TEntry& probe, bool& found) const;
    void IndexName(const QString& text);
    static QString NameKey(const QString& name);

    TDuplicates FDuplicates;
    std::vector<TEntry> FEntries;
    // Case-folded name -> text of the first line in list order with that name.
    QHash<QString, QString> FFirstLineOfName;
};
