#pragma once
// UTF-8 text decoded exactly: QString::fromUtf8 drops a byte-order mark at
// the start of the text, which for a line kept as UTF-8 would be a change of
// its text. Invalid sequences decode as QString::fromUtf8 decodes them.
#include <QByteArrayView>
#include <QString>

QString Utf8ToString(QByteArrayView utf8);
