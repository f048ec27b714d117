#pragma once
// A list of strings kept in ascending order under the locale comparison of
// Collation.h. Adding a string equal to one present leaves the list unchanged
// (the one added first stays). Each entry may carry a 64-bit tag.
//
// Lines of the form "name=value" can be looked up by name; the lookup gives
// exactly what a scan from the first line would give (the first line in list
// order with that name), from a hash of names rather than a scan.
//
// Built for ledgers of millions of lines: the text is kept as UTF-8, most of
// it in the bytes of the file it was read from (BeginAssign), the rest in
// large shared blocks; a line costs 16 bytes of bookkeeping, 4 of order and
// 4 to 8 of name index, and no allocation of its own. Lines added one by one
// wait in a small sorted side list that is merged in by moving blocks, so
// many additions anywhere in a long list stay near n log n; lines that come
// in no order at all can be added deferred, to be sorted in all at once. The
// list is not safe to use from two threads at once, not even for reading.
#include "platform/Collation.h"

#include <QByteArray>
#include <QByteArrayView>
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

    int Count() const
    {
        if (!FDeferred.empty())
            Flush();
        return static_cast<int>(FOrder.size() + FPending.size());
    }
    // Throws std::out_of_range for an index outside 0 .. Count() - 1.
    QString Get(int index) const;
    // The same line as UTF-8; valid until the list next changes.
    QByteArrayView GetUtf8(int index) const;
    int64_t Tag(int index) const;
    QStringList ToStringList() const;

    // Sorted insert; returns the index of the new entry, or -1 when an equal
    // entry was already present.
    int Add(const QString& text, int64_t tag = 0);
    // The same for a line given as valid UTF-8 (copied).
    int AddUtf8(QByteArrayView line, int64_t tag = 0);
    // Adds a line given as valid UTF-8 (copied) whose name (ContainsName) is
    // not held yet, its place found only when the list is next read in
    // order, together with every line deferred so far: many lines in no
    // particular order cost one sort and a merge, not a search each. False,
    // adding nothing, when the name is held. Its name counts at once. A line
    // without a name is dropped then when equal to one present, or to one
    // deferred before it: the first stays, as with Add.
    bool AddUtf8Deferred(QByteArrayView line);
    // Replaces the contents by the given strings, as if each were added in
    // order (the first of several equal strings stays); much faster than Adds.
    void Assign(const QStringList& texts);
    // Assign in three steps, for text read from a file without a copy of each
    // line: BeginAssign empties the list and keeps `store`; AppendStored and
    // AppendUtf8 give the lines in order, as ranges of valid UTF-8 in store
    // or as separate UTF-8 text (copied); EndAssign sorts them as Assign does.
    // expectedLines only reserves room.
    void BeginAssign(QByteArray store, qsizetype expectedLines = 0);
    void AppendStored(qsizetype offset, qsizetype length);
    void AppendUtf8(QByteArrayView line);
    void EndAssign();
    // Replaces the contents by the lines of the lists, each in its order, one
    // list after the other, as if each were added in that order; the text is
    // shared with the lists, not copied, and they may change or go afterwards.
    void AssignJoined(const std::vector<const TSortedStringList*>& lists);
    void Clear();
    // Index of an entry equal to the text, or -1.
    int IndexOf(const QString& text) const;

    // Index of the first line whose name (the text before its first '=')
    // equals the given name ignoring case, or -1; lines without '=' are skipped.
    int IndexOfName(const QString& name) const;
    // IndexOfName(name) != -1, without locating the line.
    bool ContainsName(const QString& name) const;
    // The same for a name given as valid UTF-8.
    bool ContainsNameUtf8(QByteArrayView name) const;
    // The text after the name and '=' of that line; empty when there is none.
    QString Values(const QString& name) const;

    // For lines given in list order (the text of a saved list): true when the
    // list holds exactly this line (the same bytes) at or after `cursor`,
    // which then moves past it; lines that sort before it are passed over.
    // Text saved from this list is found line by line in one walk, without a
    // search each; a line given out of order is merely not found. Start with
    // cursor 0; the list must not change during the walk.
    bool HoldsInOrder(QByteArrayView line, int& cursor) const;
    // True when the bytes are those given to the last BeginAssign (and the
    // list was not cleared since): every line in them went into the list, and
    // lines are never taken out, so each is there or an equal one is.
    bool WasAssignedFrom(QByteArrayView bytes) const;
    // Those bytes (empty when there are none), for a comparison piece by piece.
    QByteArrayView AssignedBytes() const { return FStore; }

private:
    // Where a line's bytes are: bit 63 clear, the offset in FStore; set, the
    // block (bits 32 to 62) and offset (bits 0 to 31) in FBlocks.
    struct TLine
    {
        uint64_t Where;
        uint32_t Length;
        uint32_t Info;  // bit 0: printable ASCII only; bits 1..31: first '=' + 1, or 0
    };
    struct TView
    {
        const char* Data;
        uint32_t Length;
        bool Ascii;
    };

    TView View(uint32_t id) const;
    static TView ViewOf(QByteArrayView line);
    int Compare(const TView& a, const TView& b, const TAsciiCollation* table) const;
    // First position of `order` whose line is not below the probe; sets found when equal.
    size_t LowerBound(const std::vector<uint32_t>& order, const TView& probe, const TAsciiCollation* table, bool& found,
                      size_t from = 0) const;
    // Sorts ids (ascending) by their lines and drops each line equal to one
    // before it, so the one stored first stays.
    void SortUnique(std::vector<uint32_t>& ids, const TAsciiCollation* table) const;
    uint32_t Store(QByteArrayView line, int64_t tag);
    uint32_t Push(uint64_t where, QByteArrayView line, int64_t tag);
    // The end of an assignment whose lines are stored and in FOrder as they
    // came: sorts them unless ordered; their names are indexed later.
    void FinishAssign(bool ordered);
    // Merges the deferred lines and the side list into the main order.
    void Flush() const;
    void FlushPending() const;
    void MergeDeferred() const;
    uint32_t IdAt(int index) const;

    // The name index: open addressing; a slot holds a line id + 1 in its low
    // FNameIdBits bits (0 = free) and the top bits of the name's hash above,
    // so most slots of other names are passed over without reading a line.
    static qsizetype NameLength(const TLine& line) { return static_cast<qsizetype>(line.Info >> 1) - 1; }
    uint32_t SlotId(uint32_t slot) const { return (slot & FNameIdMask) - 1; }
    uint32_t SlotTag(uint32_t slot) const { return FNameIdBits >= 32 ? 0 : slot >> FNameIdBits; }
    uint32_t TagOf(uint64_t hash) const
    {
        return FNameIdBits >= 32 ? 0 : static_cast<uint32_t>(hash >> (32 + FNameIdBits));
    }
    size_t FindName(QByteArrayView folded, uint64_t hash) const;
    void IndexName(uint32_t id);
    void IndexName(uint32_t id, uint64_t hash);
    void InsertName(uint32_t id, uint64_t hash) const;
    // Makes the index anew for `count` lines, which forEachId(index) gives
    // to index(id) one by one.
    template <typename ForEachId>
    void RebuildNameIndex(size_t count, const ForEachId& forEachId) const;
    // An assigned list indexes its names only when one is first looked up or
    // a line is added: many are only read in order, or saved as they are.
    void EnsureNames() const
    {
        if (FNamesLater)
            IndexAllNames();
    }
    void IndexAllNames() const;
    bool NameEquals(uint32_t id, QByteArrayView folded) const;
    bool SameName(uint32_t a, uint32_t b) const;
    uint64_t NameHashOf(uint32_t id) const;

    TDuplicates FDuplicates;
    QByteArray FStore;                         // the bytes given to BeginAssign
    std::vector<QByteArray> FBlocks;           // text of the lines added otherwise
    std::vector<TLine> FLines;                 // by id, in the order they were stored
    std::vector<int64_t> FTags;                // by id; empty while every tag is 0
    mutable std::vector<uint32_t> FOrder;      // ids in list order
    mutable std::vector<uint32_t> FPending;    // ids added since, in list order
    mutable std::vector<uint32_t> FPendingAt;  // for each, its place in FOrder
    mutable std::vector<uint32_t> FDeferred;   // ids added deferred, in the order they came
    mutable std::vector<uint32_t> FNames;
    mutable size_t FNameCount = 0;
    mutable uint32_t FNameIdBits = 32;
    mutable uint32_t FNameIdMask = 0xFFFFFFFF;
    mutable bool FNamesLater = false;  // the names are indexed when first needed
};
