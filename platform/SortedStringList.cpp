#include "platform/SortedStringList.h"

#include "platform/AsciiCase.h"
#include "platform/Utf8Text.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <stdexcept>

namespace {

constexpr uint64_t InBlocks = uint64_t(1) << 63;
// A line's length and the place of its '=' must fit the bookkeeping.
constexpr qsizetype LongestLine = (qsizetype(1) << 31) - 2;
constexpr qsizetype FirstBlockSize = 4096;
constexpr qsizetype LargestBlockSize = qsizetype(1) << 20;

bool IsAsciiBytes(const char* p, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80)
            return false;
    return true;
}

// A name's simple case fold as UTF-8: what QString::toCaseFolded gives, which
// for ASCII is its letters in lower case. Short ASCII names need no allocation.
class TFolded
{
public:
    explicit TFolded(QByteArrayView name)
    {
        const qsizetype n = name.size();
        if (!IsAsciiBytes(name.data(), n)) {
            FHeap = Utf8ToString(name).toCaseFolded().toUtf8();
            FView = FHeap;
            return;
        }
        char* out = FLocal;
        if (n > static_cast<qsizetype>(sizeof FLocal)) {
            FHeap.resize(n);
            out = FHeap.data();
        }
        for (qsizetype i = 0; i < n; ++i)
            out[i] = LowerAscii(name[i]);
        FView = QByteArrayView(out, n);
    }
    TFolded(const TFolded&) = delete;
    TFolded& operator=(const TFolded&) = delete;
    QByteArrayView View() const { return FView; }

private:
    char FLocal[256];
    QByteArray FHeap;
    QByteArrayView FView;
};

constexpr uint64_t Ones = 0x0101010101010101ull;
constexpr uint64_t Tops = 0x8080808080808080ull;

// Eight ASCII bytes with their letters lowered, all at once: a byte gets 0x20
// added where it lies in 'A'..'Z'.
inline uint64_t LowerAsciiWord(uint64_t x)
{
    const uint64_t low7 = x & ~Tops;
    const uint64_t atLeastA = (low7 + Ones * (0x80 - 'A')) & Tops;
    const uint64_t aboveZ = (low7 + Ones * (0x80 - 'Z' - 1)) & Tops;
    return x | ((atLeastA & ~aboveZ & ~x) >> 2);
}

inline uint64_t Mix(uint64_t h)
{
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return h;
}

// The hash of a name's case fold. For ASCII text the fold is the text with
// its letters lowered, which is done here eight bytes at a time; lower says
// whether to lower (the text is ASCII) or to take the bytes as they are
// (the text is a fold already).
uint64_t HashFold(const char* p, size_t n, bool lower)
{
    uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        h = (h ^ (lower ? LowerAsciiWord(w) : w)) * 0x100000001b3ull;
        h ^= h >> 29;
    }
    if (i < n) {
        uint64_t w = 0;
        std::memcpy(&w, p + i, n - i);
        h = (h ^ (lower ? LowerAsciiWord(w) : w)) * 0x100000001b3ull;
    }
    return Mix(h);
}

uint64_t HashBytes(QByteArrayView folded) { return HashFold(folded.data(), static_cast<size_t>(folded.size()), false); }

// How many lines may wait beside the main order before they are merged in:
// few enough that adding one moves little, many enough that merges are rare.
size_t PendingLimit(size_t ordered)
{
    return std::max<size_t>(64, static_cast<size_t>(std::sqrt(static_cast<double>(ordered))));
}

}  // namespace

TSortedStringList::TSortedStringList(TDuplicates duplicates) : FDuplicates(duplicates) {}

TSortedStringList::TView TSortedStringList::View(uint32_t id) const
{
    const TLine& line = FLines[id];
    const char* data = (line.Where & InBlocks)
                           ? FBlocks[static_cast<size_t>((line.Where >> 32) & 0x7FFFFFFF)].constData() +
                                 static_cast<uint32_t>(line.Where)
                           : FStore.constData() + line.Where;
    return TView{data, line.Length, (line.Info & 1) != 0};
}

TSortedStringList::TView TSortedStringList::ViewOf(QByteArrayView line)
{
    if (line.size() > LongestLine)
        throw std::length_error("Line too long for the list");
    return TView{line.data(), static_cast<uint32_t>(line.size()),
                 TAsciiCollation::IsEligible(line.data(), static_cast<size_t>(line.size()))};
}

int TSortedStringList::Compare(const TView& a, const TView& b, const TAsciiCollation* table) const
{
    const bool exact = FDuplicates == TDuplicates::ExactOnly;
    if (table && a.Ascii && b.Ascii)
        return table->Compare(a.Data, a.Length, b.Data, b.Length, exact);
    return CompareUtf8Locale(QByteArrayView(a.Data, a.Length), QByteArrayView(b.Data, b.Length), exact);
}

size_t TSortedStringList::LowerBound(const std::vector<uint32_t>& order, const TView& probe,
                                     const TAsciiCollation* table, bool& found, size_t from) const
{
    size_t lo = from, hi = order.size();
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (Compare(View(order[mid]), probe, table) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    found = lo < order.size() && Compare(View(order[lo]), probe, table) == 0;
    return lo;
}

uint32_t TSortedStringList::Push(uint64_t where, QByteArrayView line, int64_t tag)
{
    const TView view = ViewOf(line);
    if (FLines.size() >= static_cast<size_t>(INT32_MAX))
        throw std::length_error("Too many lines for the list");
    uint32_t info = view.Ascii ? 1u : 0u;
    const void* eq = line.isEmpty() ? nullptr : std::memchr(line.data(), '=', static_cast<size_t>(line.size()));
    if (eq)
        info |= static_cast<uint32_t>(static_cast<const char*>(eq) - line.data() + 1) << 1;
    FLines.push_back(TLine{where, view.Length, info});
    if (tag != 0 && FTags.empty())
        FTags.resize(FLines.size() - 1, 0);
    if (!FTags.empty())
        FTags.push_back(tag);
    return static_cast<uint32_t>(FLines.size() - 1);
}

uint32_t TSortedStringList::Store(QByteArrayView line, int64_t tag)
{
    if (line.size() > LongestLine)
        throw std::length_error("Line too long for the list");
    if (FBlocks.empty() || FBlocks.back().capacity() - FBlocks.back().size() < line.size()) {
        const qsizetype previous = FBlocks.empty() ? FirstBlockSize / 2 : FBlocks.back().capacity();
        QByteArray block;
        block.reserve(std::max(line.size(), std::min(previous * 2, LargestBlockSize)));
        FBlocks.push_back(std::move(block));
    }
    QByteArray& block = FBlocks.back();
    const uint64_t where =
        InBlocks | (static_cast<uint64_t>(FBlocks.size() - 1) << 32) | static_cast<uint64_t>(block.size());
    if (!line.isEmpty())
        block.append(line.data(), line.size());
    return Push(where, QByteArrayView(block.constData() + (block.size() - line.size()), line.size()), tag);
}

void TSortedStringList::Flush() const
{
    if (!FDeferred.empty())
        MergeDeferred();
    FlushPending();
}

void TSortedStringList::MergeDeferred() const
{
    std::vector<uint32_t> ids;
    ids.swap(FDeferred);
    const TAsciiCollation* table = TAsciiCollation::Current();
    SortUnique(ids, table);
    FlushPending();
    // In order, each line's place is at or after the place of the one before:
    // the searches shrink, and the side list's merge moves every block once.
    size_t from = 0;
    for (const uint32_t id : ids) {
        bool found = false;
        const size_t at = LowerBound(FOrder, View(id), table, found, from);
        if (found)
            continue;
        FPending.push_back(id);
        FPendingAt.push_back(static_cast<uint32_t>(at));
        from = at;
    }
    FlushPending();
}

void TSortedStringList::FlushPending() const
{
    if (FPending.empty())
        return;
    // Each waiting line knows its place in the main order, so merging is
    // moving the blocks between those places, from the back, once.
    const size_t n = FOrder.size();
    const size_t k = FPending.size();
    FOrder.resize(n + k);
    size_t end = n;
    for (size_t j = k; j-- > 0;) {
        const size_t at = FPendingAt[j];
        std::memmove(FOrder.data() + at + j + 1, FOrder.data() + at, (end - at) * sizeof(uint32_t));
        FOrder[at + j] = FPending[j];
        end = at;
    }
    FPending.clear();
    FPendingAt.clear();
}

uint32_t TSortedStringList::IdAt(int index) const
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    Flush();
    return FOrder[static_cast<size_t>(index)];
}

QString TSortedStringList::Get(int index) const
{
    const TView view = View(IdAt(index));
    return Utf8ToString(QByteArrayView(view.Data, view.Length));
}

QByteArrayView TSortedStringList::GetUtf8(int index) const
{
    const TView view = View(IdAt(index));
    return QByteArrayView(view.Data, view.Length);
}

int64_t TSortedStringList::Tag(int index) const
{
    const uint32_t id = IdAt(index);
    return FTags.empty() ? 0 : FTags[id];
}

QStringList TSortedStringList::ToStringList() const
{
    Flush();
    QStringList out;
    out.reserve(Count());
    for (const uint32_t id : FOrder) {
        const TView view = View(id);
        out.append(Utf8ToString(QByteArrayView(view.Data, view.Length)));
    }
    return out;
}

int TSortedStringList::Add(const QString& text, int64_t tag) { return AddUtf8(text.toUtf8(), tag); }

int TSortedStringList::AddUtf8(QByteArrayView line, int64_t tag)
{
    EnsureNames();
    if (!FDeferred.empty())
        Flush();
    const TAsciiCollation* table = TAsciiCollation::Current();
    const TView probe = ViewOf(line);
    bool found = false;
    const size_t at = LowerBound(FOrder, probe, table, found);
    if (found)
        return -1;
    const size_t atPending = LowerBound(FPending, probe, table, found);
    if (found)
        return -1;
    const uint32_t id = Store(line, tag);
    FPending.insert(FPending.begin() + static_cast<std::ptrdiff_t>(atPending), id);
    FPendingAt.insert(FPendingAt.begin() + static_cast<std::ptrdiff_t>(atPending), static_cast<uint32_t>(at));
    IndexName(id);
    const int index = static_cast<int>(at + atPending);
    if (FPending.size() > PendingLimit(FOrder.size()))
        Flush();
    return index;
}

bool TSortedStringList::AddUtf8Deferred(QByteArrayView line)
{
    const qsizetype eq = line.indexOf('=');
    if (eq < 0) {
        FDeferred.push_back(Store(line, 0));
        return true;
    }
    // The name is looked up and indexed with one hash.
    const TFolded folded(line.first(eq));
    const uint64_t hash = HashBytes(folded.View());
    const size_t at = FindName(folded.View(), hash);
    if (at != SIZE_MAX && FNames[at] != 0)
        return false;
    const uint32_t id = Store(line, 0);
    FDeferred.push_back(id);
    IndexName(id, hash);
    return true;
}

void TSortedStringList::Assign(const QStringList& texts)
{
    BeginAssign(QByteArray(), texts.size());
    for (const QString& t : texts)
        AppendUtf8(t.toUtf8());
    EndAssign();
}

void TSortedStringList::BeginAssign(QByteArray store, qsizetype expectedLines)
{
    Clear();
    FStore = std::move(store);
    if (expectedLines > 0)
        FLines.reserve(static_cast<size_t>(expectedLines));
}

void TSortedStringList::AppendStored(qsizetype offset, qsizetype length)
{
    if (offset < 0 || length < 0 || offset + length > FStore.size())
        throw std::out_of_range("Line outside the stored text");
    Push(static_cast<uint64_t>(offset), QByteArrayView(FStore.constData() + offset, length), 0);
}

void TSortedStringList::AppendUtf8(QByteArrayView line) { Store(line, 0); }

void TSortedStringList::EndAssign()
{
    const TAsciiCollation* table = TAsciiCollation::Current();
    const size_t n = FLines.size();
    // A ledger is saved in order, so it usually loads in order: one pass
    // tells, and nothing needs sorting.
    bool ordered = true;
    for (size_t i = 1; i < n && ordered; ++i)
        ordered = Compare(View(static_cast<uint32_t>(i - 1)), View(static_cast<uint32_t>(i)), table) < 0;
    FOrder.resize(n);
    std::iota(FOrder.begin(), FOrder.end(), 0u);
    FinishAssign(ordered);
}

void TSortedStringList::AssignJoined(const std::vector<const TSortedStringList*>& lists)
{
    Clear();
    size_t total = 0;
    bool tagged = false;
    for (const TSortedStringList* list : lists) {
        list->Flush();
        total += list->FOrder.size();
        tagged = tagged || !list->FTags.empty();
    }
    FLines.reserve(total);
    if (tagged)
        FTags.reserve(total);
    for (const TSortedStringList* list : lists) {
        // The lists' blocks become blocks of this one (shared, as QByteArray
        // shares), and so do the bytes they were assigned from.
        const uint64_t firstBlock = FBlocks.size();
        FBlocks.insert(FBlocks.end(), list->FBlocks.begin(), list->FBlocks.end());
        const uint64_t storeBlock = FBlocks.size();
        const bool storeFits = list->FStore.size() <= qsizetype(UINT32_MAX);
        if (!list->FStore.isEmpty() && storeFits)
            FBlocks.push_back(list->FStore);
        for (const uint32_t id : list->FOrder) {
            const int64_t tag = list->FTags.empty() ? 0 : list->FTags[id];
            TLine line = list->FLines[id];
            if (line.Where & InBlocks) {
                line.Where += firstBlock << 32;
            } else if (storeFits) {
                line.Where = InBlocks | (storeBlock << 32) | line.Where;
            } else {
                const TView view = list->View(id);
                Store(QByteArrayView(view.Data, view.Length), 0);
                if (tagged) {
                    FTags.resize(FLines.size() - 1);
                    FTags.push_back(tag);
                }
                continue;
            }
            FLines.push_back(line);
            if (tagged)
                FTags.push_back(tag);
        }
    }
    FOrder.resize(FLines.size());
    std::iota(FOrder.begin(), FOrder.end(), 0u);
    // Each list is in order: the whole is, when each list starts after the
    // end of the list before it.
    const TAsciiCollation* table = TAsciiCollation::Current();
    bool ordered = true;
    size_t end = 0;
    for (const TSortedStringList* list : lists) {
        const size_t count = list->FOrder.size();
        if (end > 0 && count > 0)
            ordered =
                ordered && Compare(View(static_cast<uint32_t>(end - 1)), View(static_cast<uint32_t>(end)), table) < 0;
        end += count;
    }
    FinishAssign(ordered);
}

void TSortedStringList::FinishAssign(bool ordered)
{
    if (!ordered)
        SortUnique(FOrder, TAsciiCollation::Current());
    // Names are indexed when one is first looked up or a line is added: a
    // ledger that is loaded and saved unchanged never needs them.
    FNamesLater = true;
}

void TSortedStringList::SortUnique(std::vector<uint32_t>& ids, const TAsciiCollation* table) const
{
    // The collator's ranks of ASCII lines, 8 characters at a time, settle
    // most comparisons without reading the lines; the line ids break ties, so
    // equal lines keep the order they came in and the first one stays. An
    // item takes 12 bytes, for a list of millions of lines sorts them all at once.
    constexpr size_t KeyWidth = 8;
    struct TItem
    {
        uint32_t KeyHigh;  // ranks of the 8 characters from the key's offset on
        uint32_t KeyLow;
        uint32_t Entry;  // line id; the top bit set when the key holds
        uint64_t Key() const { return uint64_t(KeyHigh) << 32 | KeyLow; }
        uint32_t Id() const { return Entry & 0x7FFFFFFF; }
        bool Keyed() const { return (Entry >> 31) != 0; }
    };
    static_assert(sizeof(TItem) == 12);
    const auto setKey = [&](TItem& item, size_t offset) {
        const TView view = View(item.Id());
        const uint64_t key = table->PrefixKey(view.Data, view.Length, offset);
        item.KeyHigh = static_cast<uint32_t>(key >> 32);
        item.KeyLow = static_cast<uint32_t>(key);
    };
    std::vector<TItem> items(ids.size());
    bool allKeyed = true;
    for (size_t i = 0; i < ids.size(); ++i) {
        const bool keyed = table && View(ids[i]).Ascii;
        allKeyed = allKeyed && keyed;
        items[i] = TItem{0, 0, ids[i] | (keyed ? 0x80000000u : 0u)};
        if (keyed)
            setKey(items[i], 0);
    }
    const auto byKeys = [](const TItem& a, const TItem& b) { return a.Key() < b.Key(); };
    const auto byLines = [&](const TItem& a, const TItem& b) {
        const int c = Compare(View(a.Id()), View(b.Id()), table);
        return c != 0 ? c < 0 : a.Id() < b.Id();
    };
    if (allKeyed) {
        // By the keys, then each run of equal keys by the next 8 ranks,
        // until the lines of a run end: their ranks are all alike, and the
        // whole comparison (case, then bytes) orders them.
        const auto sortByRanks = [&](const auto& self, TItem* first, TItem* last, size_t offset) -> void {
            std::sort(first, last, byKeys);
            for (TItem* run = first; run != last;) {
                TItem* end = run + 1;
                while (end != last && end->Key() == run->Key())
                    ++end;
                if (end - run > 1) {
                    const bool longer = std::any_of(
                        run, end, [&](const TItem& item) { return View(item.Id()).Length > offset + KeyWidth; });
                    if (longer) {
                        for (TItem* item = run; item != end; ++item)
                            setKey(*item, offset + KeyWidth);
                        self(self, run, end, offset + KeyWidth);
                    } else {
                        std::sort(run, end, byLines);
                    }
                }
                run = end;
            }
        };
        sortByRanks(sortByRanks, items.data(), items.data() + items.size(), 0);
    } else {
        std::sort(items.begin(), items.end(), [&](const TItem& a, const TItem& b) {
            if (a.Keyed() && b.Keyed() && a.Key() != b.Key())
                return byKeys(a, b);
            return byLines(a, b);
        });
    }
    ids.clear();
    const TItem* previous = nullptr;
    for (const TItem& item : items) {
        // Lines whose keys differ are not equal (equal lines share every
        // run, so their keys were taken at the same place); others are compared.
        const bool keysDiffer = previous && previous->Keyed() && item.Keyed() && previous->Key() != item.Key();
        if (previous && !keysDiffer && Compare(View(ids.back()), View(item.Id()), table) == 0)
            continue;
        ids.push_back(item.Id());
        previous = &item;
    }
}

void TSortedStringList::Clear()
{
    FStore = QByteArray();
    FBlocks.clear();
    FLines.clear();
    FTags.clear();
    FOrder.clear();
    FPending.clear();
    FPendingAt.clear();
    FDeferred.clear();
    FNamesLater = false;
    FNames.clear();
    FNameCount = 0;
    FNameIdBits = 32;
    FNameIdMask = 0xFFFFFFFF;
}

int TSortedStringList::IndexOf(const QString& text) const
{
    Flush();
    const TAsciiCollation* table = TAsciiCollation::Current();
    const QByteArray utf8 = text.toUtf8();
    const TView probe = ViewOf(utf8);
    bool found = false;
    const size_t at = LowerBound(FOrder, probe, table, found);
    bool foundPending = false;
    const size_t atPending = LowerBound(FPending, probe, table, foundPending);
    return found || foundPending ? static_cast<int>(at + atPending) : -1;
}

bool TSortedStringList::SameName(uint32_t a, uint32_t b) const
{
    const qsizetype n = NameLength(FLines[a]);
    const char* x = View(a).Data;
    if (IsAsciiBytes(x, n)) {
        if (n != NameLength(FLines[b]))
            return NameEquals(b, TFolded(QByteArrayView(x, n)).View());
        const char* y = View(b).Data;
        for (qsizetype i = 0; i < n; ++i)
            if (LowerAscii(x[i]) != LowerAscii(y[i]))
                return NameEquals(b, TFolded(QByteArrayView(x, n)).View());
        return true;
    }
    return NameEquals(b, TFolded(QByteArrayView(x, n)).View());
}

bool TSortedStringList::NameEquals(uint32_t id, QByteArrayView folded) const
{
    const TView view = View(id);
    const qsizetype n = NameLength(FLines[id]);
    if (IsAsciiBytes(view.Data, n)) {
        if (n != folded.size())
            return false;
        for (qsizetype i = 0; i < n; ++i)
            if (LowerAscii(view.Data[i]) != folded[i])
                return false;
        return true;
    }
    const TFolded own(QByteArrayView(view.Data, n));
    return own.View() == folded;
}

uint64_t TSortedStringList::NameHashOf(uint32_t id) const
{
    const char* name = View(id).Data;
    const qsizetype n = NameLength(FLines[id]);
    if (IsAsciiBytes(name, n))
        return HashFold(name, static_cast<size_t>(n), true);
    const TFolded folded(QByteArrayView(name, n));
    return HashBytes(folded.View());
}

size_t TSortedStringList::FindName(QByteArrayView folded, uint64_t hash) const
{
    EnsureNames();
    if (FNames.empty())
        return SIZE_MAX;
    const size_t mask = FNames.size() - 1;
    const uint32_t tag = TagOf(hash);
    size_t at = static_cast<size_t>(hash) & mask;
    while (FNames[at] != 0 && (SlotTag(FNames[at]) != tag || !NameEquals(SlotId(FNames[at]), folded)))
        at = (at + 1) & mask;
    return at;
}

void TSortedStringList::IndexAllNames() const
{
    FNamesLater = false;
    Flush();
    // In the order the lines are stored, the order of their bytes; one bit a
    // line tells which are in the list (equal ones were dropped).
    std::vector<bool> held(FLines.size(), false);
    for (const uint32_t id : FOrder)
        held[id] = true;
    RebuildNameIndex(FOrder.size(), [&](const auto& index) {
        for (uint32_t id = 0; id < held.size(); ++id)
            if (held[id])
                index(id);
    });
}

void TSortedStringList::InsertName(uint32_t id, uint64_t hash) const
{
    const size_t mask = FNames.size() - 1;
    const uint32_t tag = TagOf(hash);
    size_t at = static_cast<size_t>(hash) & mask;
    for (; FNames[at] != 0; at = (at + 1) & mask) {
        if (SlotTag(FNames[at]) != tag)
            continue;
        const uint32_t other = SlotId(FNames[at]);
        if (SameName(id, other)) {
            // The first line in list order stands for the name.
            if (Compare(View(id), View(other), TAsciiCollation::Current()) < 0)
                FNames[at] = (FNames[at] & ~FNameIdMask) | (id + 1);
            return;
        }
    }
    FNames[at] = (FNameIdBits >= 32 ? 0 : tag << FNameIdBits) | (id + 1);
    ++FNameCount;
}

void TSortedStringList::IndexName(uint32_t id)
{
    if (NameLength(FLines[id]) >= 0)
        IndexName(id, NameHashOf(id));
}

void TSortedStringList::IndexName(uint32_t id, uint64_t hash)
{
    EnsureNames();
    if ((FNameCount + 1) * 2 > FNames.size() || id + 1 > FNameIdMask) {
        std::vector<uint32_t> ids;
        ids.reserve(FNameCount + 1);
        for (const uint32_t slot : FNames)
            if (slot != 0)
                ids.push_back(SlotId(slot));
        std::sort(ids.begin(), ids.end());
        ids.push_back(id);
        RebuildNameIndex(ids.size(), [&](const auto& index) {
            for (const uint32_t each : ids)
                index(each);
        });
        return;
    }
    InsertName(id, hash);
}

template <typename ForEachId>
void TSortedStringList::RebuildNameIndex(size_t count, const ForEachId& forEachId) const
{
    size_t size = 16;
    while (size < 2 * (count + 1))
        size *= 2;
    FNames.assign(size, 0);
    FNameCount = 0;
    // Room for twice the lines there are before the ids outgrow their bits.
    FNameIdBits = 16;
    while (FNameIdBits < 32 && (uint64_t(1) << FNameIdBits) <= 2 * (uint64_t(FLines.size()) + 1))
        ++FNameIdBits;
    FNameIdMask = FNameIdBits >= 32 ? 0xFFFFFFFF : (uint32_t(1) << FNameIdBits) - 1;
    // In batches whose slots are fetched ahead: the index of a long list is
    // built at the speed of memory, not of one cache miss per line.
    constexpr size_t Batch = 32;
    uint32_t batchIds[Batch];
    uint64_t hashes[Batch];
    size_t waiting = 0;
    const size_t mask = size - 1;
    auto insertWaiting = [&] {
        for (size_t k = 0; k < waiting; ++k)
            InsertName(batchIds[k], hashes[k]);
        waiting = 0;
    };
    forEachId([&](uint32_t id) {
        if (NameLength(FLines[id]) < 0)
            return;
        batchIds[waiting] = id;
        hashes[waiting] = NameHashOf(id);
        __builtin_prefetch(FNames.data() + (static_cast<size_t>(hashes[waiting]) & mask));
        if (++waiting == Batch)
            insertWaiting();
    });
    insertWaiting();
}

bool TSortedStringList::WasAssignedFrom(QByteArrayView bytes) const
{
    return !FStore.isEmpty() && FStore.size() == bytes.size() &&
           (FStore.constData() == bytes.data() ||
            std::memcmp(FStore.constData(), bytes.data(), static_cast<size_t>(bytes.size())) == 0);
}

bool TSortedStringList::HoldsInOrder(QByteArrayView line, int& cursor) const
{
    Flush();
    const TAsciiCollation* table = TAsciiCollation::Current();
    const TView probe = ViewOf(line);
    while (cursor >= 0 && static_cast<size_t>(cursor) < FOrder.size()) {
        const TView own = View(FOrder[static_cast<size_t>(cursor)]);
        if (own.Length == probe.Length && (probe.Length == 0 || std::memcmp(own.Data, probe.Data, probe.Length) == 0)) {
            ++cursor;
            return true;
        }
        if (Compare(own, probe, table) >= 0)
            return false;
        ++cursor;
    }
    return false;
}

int TSortedStringList::IndexOfName(const QString& name) const
{
    const TFolded folded(name.toUtf8());
    const size_t at = FindName(folded.View(), HashBytes(folded.View()));
    if (at == SIZE_MAX || FNames[at] == 0)
        return -1;
    Flush();
    const TAsciiCollation* table = TAsciiCollation::Current();
    const TView probe = View(SlotId(FNames[at]));
    bool found = false;
    const size_t inOrder = LowerBound(FOrder, probe, table, found);
    bool foundPending = false;
    const size_t inPending = LowerBound(FPending, probe, table, foundPending);
    return static_cast<int>(inOrder + inPending);
}

bool TSortedStringList::ContainsName(const QString& name) const { return ContainsNameUtf8(name.toUtf8()); }

bool TSortedStringList::ContainsNameUtf8(QByteArrayView name) const
{
    const TFolded folded(name);
    const size_t at = FindName(folded.View(), HashBytes(folded.View()));
    return at != SIZE_MAX && FNames[at] != 0;
}

QString TSortedStringList::Values(const QString& name) const
{
    const TFolded folded(name.toUtf8());
    const size_t at = FindName(folded.View(), HashBytes(folded.View()));
    if (at == SIZE_MAX || FNames[at] == 0)
        return {};
    const uint32_t id = SlotId(FNames[at]);
    const TView view = View(id);
    const qsizetype skip = NameLength(FLines[id]) + 1;
    return Utf8ToString(QByteArrayView(view.Data + skip, view.Length - skip));
}
