#include "platform/Collation.h"

#include <QCollator>
#include <QLocale>
#include <memory>

namespace {

std::unique_ptr<QCollator>& CollatorSlot()
{
    static std::unique_ptr<QCollator> collator;
    return collator;
}

QCollator& Collator()
{
    auto& slot = CollatorSlot();
    if (!slot) {
        slot = std::make_unique<QCollator>(QLocale());
        slot->setCaseSensitivity(Qt::CaseInsensitive);
        slot->setNumericMode(false);
        slot->setIgnorePunctuation(false);
    }
    return *slot;
}

int Sign(int v) { return (v > 0) - (v < 0); }

int CompareFolds(const QString& a, const QString& b)
{
    return Sign(QString::compare(a, b, Qt::CaseInsensitive));
}

} // namespace

int CompareTextLocale(const QString& a, const QString& b)
{
    const int c = Sign(Collator().compare(a, b));
    return c != 0 ? c : CompareFolds(a, b);
}

int CompareTextLocaleExact(const QString& a, const QString& b)
{
    const int c = CompareTextLocale(a, b);
    return c != 0 ? c : Sign(QString::compare(a, b, Qt::CaseSensitive));
}

bool SameTextLocale(const QString& a, const QString& b)
{
    return CompareTextLocale(a, b) == 0;
}

TCollationKey::TCollationKey(const QString& text) : FKey(Collator().sortKey(text)) {}

int TCollationKey::Compare(const QString& ownText, const TCollationKey& other, const QString& otherText,
                           bool exactTieBreak) const
{
    int c = Sign(FKey.compare(other.FKey));
    if (c == 0)
        c = CompareFolds(ownText, otherText);
    if (c == 0 && exactTieBreak)
        c = Sign(QString::compare(ownText, otherText, Qt::CaseSensitive));
    return c;
}

void ResetCollation() { CollatorSlot().reset(); }
