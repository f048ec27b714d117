#pragma once
// The lines of a text file as TextFile.h reads them, handed over as UTF-8
// without a QString for each: for the bytes Lagwatch writes (no byte-order
// mark, no NUL byte) each line that is valid UTF-8 is a range of the bytes
// themselves, and a line in Latin-1 is converted; any other text is read by
// DecodeTextLines and each of its lines converted. Either way the lines are
// the ones DecodeTextLines gives, in the same order and with the same text.
#include "platform/SortedStringList.h"

#include <QByteArray>
#include <QByteArrayView>
#include <functional>

// True when the bytes can be split here directly: no byte-order mark, no NUL.
bool IsPlainText(const QByteArray& bytes);

// Calls onLine for every line, in order, as valid UTF-8. The view is valid
// during the call only.
void ForEachTextLineUtf8(const QByteArray& bytes, const std::function<void(QByteArrayView line)>& onLine);

// list.Assign(DecodeTextLines(bytes)), keeping the bytes themselves as the
// store of the lines that are UTF-8 in them.
void AssignTextLines(TSortedStringList& list, QByteArray bytes);
