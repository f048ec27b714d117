#include "platform/SortedStringList.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

TSortedStringList::TSortedStringList(TDuplicates duplicates) : FDuplicates(duplicates) {}

const QString& TSortedStringList::Get(int index) const
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    return FEntries[static_cast<size_t>(index)].Text;
}

int64_t TSortedStringList::Tag(int index) const
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    return FEntries[static_cast<size_t>(index)].Tag;
}

QStringList TSortedStringList::ToStringList() const
{
    QStringList out;
    out.reserve(Count());
    for (const TEntry& e : FEntries)
        out.append(e.Text);
    return out;
}

int TSortedStringList::Compare(const TEntry& a, const TEntry& b) const
{
    return a.Key.Compare(a.Text, b.Key, b.Text, FDuplicates == TDuplicates::ExactOnly);
}

size_t TSortedStringList::LowerBound(const TEntry& probe, bool& found) const
{
    size_t lo = 0, hi = FEntries.size();
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (Compare(FEntries[mid], probe) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    found = lo < FEntries.size() && Compare(FEntries[lo], probe) == 0;
    return lo;
}

int TSortedStringList::Add(const QString& text, int64_t tag)
{
    TEntry entry{text, TCollationKey(text), tag};
    bool found = false;
    const size_t at = LowerBound(entry, found);
    if (found)
        return -1;
    FEntries.insert(FEntries.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
    IndexName(text);
    return static_cast<int>(at);
}

void TSortedStringList::Assign(const QStringList& texts)
{
    Clear();
    std::vector<TEntry> entries;
    entries.reserve(static_cast<size_t>(texts.size()));
    for (const QString& t : texts)
        entries.push_back(TEntry{t, TCollationKey(t), 0});
    // A stable sort keeps equal strings in their original order, so dropping all
    // but the first of each run is the same as adding them one by one.
    std::vector<size_t> order(entries.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return Compare(entries[a], entries[b]) < 0; });
    FEntries.reserve(entries.size());
    for (size_t i : order) {
        if (!FEntries.empty() && Compare(FEntries.back(), entries[i]) == 0)
            continue;
        FEntries.push_back(std::move(entries[i]));
    }
    for (const TEntry& e : FEntries)
        IndexName(e.Text);
}

void TSortedStringList::Clear()
{
    FEntries.clear();
    FFirstLineOfName.clear();
}

int TSortedStringList::IndexOf(const QString& text) const
{
    const TEntry probe{text, TCollationKey(text), 0};
    bool found = false;
    const size_t at = LowerBound(probe, found);
    return found ? static_cast<int>(at) : -1;
}

QString TSortedStringList::NameKey(const QString& name) { return name.toCaseFolded(); }

void TSortedStringList::IndexName(const QString& text)
{
    const int eq = text.indexOf(QLatin1Char('='));
    if (eq < 0)
        return;
    const QString key = NameKey(text.left(eq));
    auto it = FFirstLineOfName.find(key);
    if (it == FFirstLineOfName.end()) {
        FFirstLineOfName.insert(key, text);
        return;
    }
    const TEntry a{text, TCollationKey(text), 0};
    const TEntry b{it.value(), TCollationKey(it.value()), 0};
    if (Compare(a, b) < 0)
        it.value() = text;
}

int TSortedStringList::IndexOfName(const QString& name) const
{
    const auto it = FFirstLineOfName.constFind(NameKey(name));
    if (it == FFirstLineOfName.constEnd())
        return -1;
    return IndexOf(it.value());
}

bool TSortedStringList::ContainsName(const QString& name) const
{
    return FFirstLineOfName.contains(NameKey(name));
}

QString TSortedStringList::Values(const QString& name) const
{
    const int index = IndexOfName(name);
    if (index < 0)
        return {};
    return FEntries[static_cast<size_t>(index)].Text.mid(name.size() + 1);
}
