#pragma once
// Rewriting a file in place, for a file whose folder takes no new file (no
// temporary file, no rename), so that a full disk or a kill at any moment
// leaves either the old content or the new one, whole.
//
// The old content O (n bytes) stays where it is while the new content N
// (m bytes) is first appended as a journal:
//
//   O | HEAD | zeros up to q = max(n + |HEAD|, m) | N | TAIL
//
// HEAD is a fixed string that begins with two NUL bytes (no text line holds
// one of ours, no UTF-16 text two in a row). TAIL, fixed-size, closes the file and names n, q, m and a hash of
// N. The space is reserved first (fallocate) where the file system can, the
// journal flushed to disk, TAIL written and flushed; only then N is copied over
// the front, flushed, and the file cut to m bytes.
//
// A reader of the bytes (ResolveRewrite) takes:
// - a file that ends with a valid TAIL whose hash matches: N, the committed
//   new content, however much of the front was already overwritten;
// - a file that holds HEAD but no valid TAIL: everything before HEAD, the old
//   content (the journal was cut short);
// - a file that ends with the first bytes of HEAD only, and is no UTF-16 text
//   (TextFile.h) whose last character merely ends in a NUL byte: the bytes
//   before them;
// - any other file: all of it.
// So a file never reads as a mixture. A later rewrite first finishes or
// undoes an interrupted one.
#include <QByteArray>

enum class TRewriteState {
    Plain,        // no journal
    Committed,    // a complete journal: the content is the new one
    Interrupted,  // a journal cut short: the content is the old one
};

struct TRewriteView
{
    QByteArray Content;
    TRewriteState State = TRewriteState::Plain;
};

TRewriteView ResolveRewrite(const QByteArray& physical);

// The journal a rewrite appends to old content of oldSize bytes to bring in
// content: HEAD, the zeros, content and TAIL, as laid out above.
QByteArray RewriteJournal(qsizetype oldSize, const QByteArray& content);

// Rewrites the file open for writing at fd (the caller holds its lock and has
// just read physical from it) so that it holds content. False with an errno
// value in code; the file then still reads (ResolveRewrite) as its old
// content, or as the new one when only the copy to the front failed
// (committed is then true).
bool RewriteInPlace(int fd, const QByteArray& physical, const QByteArray& content, int& code, bool* committed = nullptr);
