#pragma once
// The ledgers as CSV (RFC 4180, UTF-8, CR LF after every record), for any tool
// that reads tables: the header "family,product,nominal_time_utc,delay_seconds",
// then one record per ledger line, family after family, each ledger in its
// order. One layout whatever the families are. The product is the text before
// the first '=' (a line without one is a product name on its own, with both
// other fields empty); the time is ISO 8601 in UTC, empty when the name is no
// product time; the delay is empty when the value is no integer.
#include "platform/SortedStringList.h"
#include "station/LedgerEntries.h"

#include <QByteArray>
#include <QString>
#include <vector>

struct TFamilyEntries
{
    QString Family;
    const TLedgerEntries* Entries = nullptr;
};

QByteArray LedgerCsv(const std::vector<TFamilyEntries>& ledgers);

// One field, quoted when it holds a comma, a double quote, CR or LF, or
// begins or ends with a blank.
QString CsvField(const QString& text);
