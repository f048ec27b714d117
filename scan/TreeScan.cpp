#include "scan/TreeScan.h"

#include "platform/PathBytes.h"

#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace {

bool IsSeparatorChar(QChar c) { return c.unicode() >= 1 && c.unicode() <= 32; }

bool NeedsQuotes(const QString& entry)
{
    for (QChar c : entry)
        if (IsSeparatorChar(c) || c == QLatin1Char('"') || c == QLatin1Char(','))
            return true;
    return false;
}

QString JoinCommaText(const QStringList& entries)
{
    if (entries.isEmpty())
        return {};
    if (entries.size() == 1 && entries.front().isEmpty())
        return QStringLiteral("\"\"");
    QString out;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        const QString& entry = entries[i];
        if (NeedsQuotes(entry)) {
            QString quoted = entry;
            quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            out += QLatin1Char('"') + quoted + QLatin1Char('"');
        } else {
            out += entry;
        }
    }
    return out;
}

// Entries in text order; the text ends at its first NUL character, as text
// handed over as a C string would.
QStringList SplitCommaText(const QString& source)
{
    const qsizetype nul = source.indexOf(QChar(0));
    const QString text = nul < 0 ? source : source.left(nul);
    const qsizetype end = text.size();
    QStringList entries;
    qsizetype p = 0;
    auto skipSeparators = [&] {
        while (p < end && IsSeparatorChar(text[p]))
            ++p;
    };
    skipSeparators();
    while (p < end) {
        QString entry;
        if (text[p] == QLatin1Char('"')) {
            // Up to the next lone quote; a doubled quote stands for one. Without
            // a closing quote the rest of the text is the entry.
            ++p;
            while (p < end) {
                if (text[p] == QLatin1Char('"')) {
                    if (p + 1 < end && text[p + 1] == QLatin1Char('"')) {
                        entry += QLatin1Char('"');
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                entry += text[p++];
            }
        } else {
            const qsizetype start = p;
            while (p < end && text[p].unicode() > 32 && text[p] != QLatin1Char(','))
                ++p;
            entry = text.mid(start, p - start);
        }
        entries.append(entry);
        skipSeparators();
        if (p < end && text[p] == QLatin1Char(',')) {
            if (p == end - 1)
                entries.append(QString());
            ++p;
            skipSeparators();
        }
    }
    return entries;
}

QByteArray CurrentFolderBytes()
{
    QByteArray buffer(4096, Qt::Uninitialized);
    for (;;) {
        if (getcwd(buffer.data(), static_cast<size_t>(buffer.size())))
            return QByteArray(buffer.constData());
        if (errno != ERANGE)
            return QByteArrayLiteral(".");
        buffer.resize(buffer.size() * 2);
    }
}

// Orders entries by the locale comparison of their decoded names (folders with
// the delimiter, as recorded), ties by exact text and then by bytes, and drops
// only identical names: Data/ and data/ are two folders on this platform.
// Names of printable ASCII compare through the collation's table, without
// decoding; the others are decoded once, when first compared.
void SortEntries(const TFolderListing& listing, std::vector<TListedEntry>& entries)
{
    if (entries.size() < 2)
        return;
    const TAsciiCollation* table = TAsciiCollation::Current();
    std::vector<QString> decoded;
    std::vector<bool> isDecoded;
    auto text = [&](size_t i) -> const QString& {
        if (decoded.empty()) {
            decoded.resize(entries.size());
            isDecoded.resize(entries.size(), false);
        }
        if (!isDecoded[i]) {
            const QByteArrayView name = listing.Name(entries[i]);
            decoded[i] = QFile::decodeName(QByteArray(name.data(), name.size()));
            isDecoded[i] = true;
        }
        return decoded[i];
    };
    std::vector<size_t> order(entries.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const QByteArrayView x = listing.Name(entries[a]);
        const QByteArrayView y = listing.Name(entries[b]);
        int c;
        if (table && TAsciiCollation::IsEligible(x.data(), static_cast<size_t>(x.size())) &&
            TAsciiCollation::IsEligible(y.data(), static_cast<size_t>(y.size())))
            c = table->Compare(x.data(), static_cast<size_t>(x.size()), y.data(), static_cast<size_t>(y.size()), true);
        else
            c = CompareTextLocaleExact(text(a), text(b));
        if (c != 0)
            return c < 0;
        return x.compare(y) < 0;
    });
    std::vector<TListedEntry> sorted;
    sorted.reserve(entries.size());
    for (const size_t i : order) {
        // The first listing of a name wins, with its size.
        if (!sorted.empty() && listing.Name(sorted.back()) == listing.Name(entries[i]))
            continue;
        sorted.push_back(entries[i]);
    }
    entries.swap(sorted);
}

}  // namespace

TTreeScanner::TTreeScanner(QObject* owner) : QObject(owner) {}

TTreeScanner::~TTreeScanner() = default;

QString TTreeScanner::FileMask() const { return FMasks.Count() > 0 ? FMasks.Get(0) : QString(); }

void TTreeScanner::SetFileMask(const QString& value)
{
    if (FSearchInProgress)
        return;
    FMasks.Clear();
    FMasks.Add(value);
    CompileMasks();
}

QString TTreeScanner::FileMaskCommaText() const { return JoinCommaText(FMasks.ToStringList()); }

void TTreeScanner::SetFileMaskCommaText(const QString& value)
{
    if (FSearchInProgress)
        return;
    FMasks.Clear();
    for (const QString& entry : SplitCommaText(value))
        FMasks.Add(entry);
    CompileMasks();
}

void TTreeScanner::CompileMasks()
{
    FCompiledMasks.clear();
    for (int i = 0; i < FMasks.Count(); ++i)
        FCompiledMasks.emplace_back(FMasks.Get(i));
}

void TTreeScanner::SetFound(const QByteArray& path)
{
    FFileFoundBytes = path;
    FFileFoundDecoded = false;
    FFileStatus = TFileStatus{};
    FFileStatus.Kind = TFileStatus::TKind::Folder;
}

void TTreeScanner::SetFound(const QByteArray& folder, QByteArrayView name)
{
    // The buffer keeps its room from file to file: no allocation per file.
    FFileFoundBytes.resize(0);
    FFileFoundBytes.append(folder);
    FFileFoundBytes.append(name);
    FFileFoundDecoded = false;
}

const QString& TTreeScanner::FileFound() const
{
    if (!FFileFoundDecoded) {
        FFileFound = DecodePath(FFileFoundBytes);
        FFileFoundDecoded = true;
    }
    return FFileFound;
}

void TTreeScanner::Fire(const TNotifyEvent& event)
{
    if (!event)
        return;
    // A handler may assign another handler to its own event; call a copy so
    // the running one is not destroyed under it.
    const TNotifyEvent handler = event;
    handler(this);
}

void TTreeScanner::Search()
{
    // Only this call's own change is undone when an exception leaves it; a
    // nested search that ends normally still clears the flag, as designed.
    const bool wasInProgress = FSearchInProgress;
    FSearchInProgress = true;
    try {
        FFileFound.clear();
        FFileFoundDecoded = true;
        FFileFoundBytes.clear();
        FFileSize = 0;
        FFileStatus = TFileStatus{};
        QByteArray root;
        if (FInitialDirectory.isEmpty()) {
            root = CurrentFolderBytes();
            FInitialDirectory = DecodePath(root);
        } else {
            root = EncodePath(FInitialDirectory);
        }
        if (!FInitialDirectory.endsWith(QLatin1Char(PathDelim)))
            FInitialDirectory += QLatin1Char(PathDelim);
        if (!root.endsWith(PathDelim))
            root += PathDelim;
        FContinueSearch = true;
        Walk(root);
    } catch (...) {
        FSearchInProgress = wasInProgress;
        throw;
    }
    FSearchInProgress = false;
    Fire(FOnSearchDone);
}

void TTreeScanner::Walk(const QByteArray& root)
{
    // An explicit stack instead of recursion: a tree thousands of levels deep
    // must not exhaust the thread's stack. The event order is that of the
    // recursive walk.
    std::vector<TFrame> path;
    EnterFolder(root, path);
    while (!path.empty()) {
        TFrame& top = path.back();
        if (top.Next < top.SubFolders.size()) {
            const QByteArray sub = top.SubFolders[top.Next++];
            if (FRecursive) {
                EnterFolder(sub, path);
            } else {
                // Switched off after the list was filled: announced, not entered.
                FFileSize = 0;
                SetFound(sub);
                Fire(FOnDirectoryFound);
            }
            continue;
        }
        const QByteArray folder = std::move(top.Folder);
        path.pop_back();
        SetFound(folder);
        Fire(FOnDirectoryDone);
    }
}

void TTreeScanner::EnterFolder(const QByteArray& folder, std::vector<TFrame>& path)
{
    // Keeps the window painting and its menu working during a long walk.
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    if (!FContinueSearch)
        return;

    TFrame frame;
    frame.Folder = folder;
    frame.HasId = FolderIdentity(folder, frame.Id);
    if (frame.HasId) {
        for (const TFrame& onPath : path) {
            if (onPath.HasId && onPath.Id == frame.Id) {
                // A link back to a folder on the current path would be walked
                // forever: announce it like a sub-folder that is not entered.
                FFileSize = 0;
                SetFound(folder);
                Fire(FOnDirectoryFound);
                return;
            }
        }
    }

    FFileSize = 0;
    SetFound(folder);
    FSkipFiles = false;
    Fire(FOnDirectoryFound);

    // One read serves both lists; no handler runs between them, so the
    // options are read where the walk needs them.
    TListingRequest request;
    request.Folders = FRecursive;
    request.HiddenFolders = FFindHiddenFolders;
    request.Files = !FSkipFiles;
    request.HiddenFiles = FFindHiddenFiles;
    request.Masks = &FCompiledMasks;
    TFolderListing listing;
    ListFolder(folder, request, listing);

    SortEntries(listing, listing.Folders);
    frame.SubFolders.reserve(listing.Folders.size());
    for (const TListedEntry& sub : listing.Folders)
        frame.SubFolders.push_back(QByteArray(folder).append(listing.Name(sub)));

    if (request.Files) {
        SortEntries(listing, listing.Files);
        for (const TListedEntry& file : listing.Files) {
            SetFound(folder, listing.Name(file));
            FFileStatus = file.Status;
            FFileSize = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(file.Status.Size)));
            Fire(FOnFileFound);
        }
    }
    FFileSize = 0;
    FFileStatus = TFileStatus{};
    FFileStatus.Kind = TFileStatus::TKind::Folder;
    path.push_back(std::move(frame));
}
