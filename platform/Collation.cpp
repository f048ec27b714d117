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

// Qt's collator for the C and POSIX locales compares plainly and its sort
// keys are the raw text, so case would count there. Those locales are what
// cron and service managers give, and they mean "no preference": use the
// locale-neutral root order, which English collation is (it adds no rules).
QLocale CollationLocale()
{
    const QLocale locale;
    return locale.language() == QLocale::C ? QLocale(QLocale::English) : locale;
}

QCollator& Collator()
{
    auto& slot = CollatorSlot();
    if (!slot) {
        slot = std::make_unique<QCollator>(CollationLocale());
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
