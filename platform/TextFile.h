#pragma once
// Text files as the ledger keeps them.
//
// Reading picks the encoding by a byte-order mark (UTF-8, UTF-16 LE or BE).
// Without a mark, a file whose NUL bytes all stand at odd positions (LE) or
// all at even positions (BE), at least every second unit's, and which then
// decodes to valid UTF-16 text (no lone surrogate, no U+0000, no control
// character but TAB, LF, VT, FF and CR) is UTF-16 too: the ASCII and Latin-1
// text of a ledger saved by an editor as "Unicode" without a mark. Otherwise
// each line is read as UTF-8 when it is valid UTF-8 and as Latin-1 otherwise,
// so a file written in another station's code page still loads intact. A line
// ends at CR LF, CR, LF or NUL; every line is kept, the empty ones included,
// and a last line without a line end is a line too.
//
// A file without a mark that is not UTF-16 but holds NUL bytes looks binary
// when more than a quarter of it is NUL, or when it also holds a control
// character no text has (C0 but TAB, LF, VT, FF and CR). DecodeTextLines
// still splits it as text; a caller that must not take it for a text (the
// ledger) asks DetectTextEncoding first.
//
// Writing is UTF-8 without a mark, every line followed by CR LF.
#include <QByteArray>
#include <QString>
#include <QStringList>

enum class TTextEncoding {
    Utf8Mark,     // UTF-8 with its byte-order mark
    Utf16LeMark,  // UTF-16 with a mark
    Utf16BeMark,
    Utf16Le,      // UTF-16 recognised without a mark
    Utf16Be,
    Plain,        // UTF-8 line by line, Latin-1 where a line is not UTF-8
    Binary,       // not a text (see above)
};

TTextEncoding DetectTextEncoding(const QByteArray& bytes);

QStringList DecodeTextLines(const QByteArray& bytes);
QByteArray EncodeTextLines(const QStringList& lines);

// True when the bytes form valid UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(const char* data, qsizetype size);
