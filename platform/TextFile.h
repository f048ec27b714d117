#pragma once
// Text files as the ledger keeps them.
//
// Reading picks the encoding by a byte-order mark (UTF-8, UTF-16 LE or BE);
// without a mark each line is read as UTF-8 when it is valid UTF-8 and as
// Latin-1 otherwise, so a file written in another station's code page still
// loads intact. A line ends at CR LF, CR, LF or NUL; every line is kept, the
// empty ones included, and a last line without a line end is a line too.
//
// Writing is UTF-8 without a mark, every line followed by CR LF.
#include <QByteArray>
#include <QString>
#include <QStringList>

QStringList DecodeTextLines(const QByteArray& bytes);
QByteArray EncodeTextLines(const QStringList& lines);

// True when the bytes form valid UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(const char* data, qsizetype size);
