#include "station/FamilyLimits.h"

#include <QLocale>

#include <array>

namespace {

// Counts stay below a billion: a whole number in 32 bits with room to spare.
constexpr int MaxDigitsBeforePoint = 9;

constexpr std::array<TLimitRow, 6> Rows = {{
    {"warning", "MIN", "minutes", TLimitGrammar::Decimal, 35,
     "WARNING when the newest product is more than MIN minutes late", &TFamilyLimits::WarningMinutes, "critical"},
    {"critical", "MIN", "minutes", TLimitGrammar::Decimal, 45, "CRITICAL when it is more than MIN minutes late",
     &TFamilyLimits::CriticalMinutes, nullptr},
    {"max-age", "HOURS", "hours", TLimitGrammar::Decimal, 26, "CRITICAL when no product is newer than HOURS",
     &TFamilyLimits::MaxAgeHours, nullptr},
    {"missing-after", "MIN", "minutes", TLimitGrammar::Decimal, 90,
     "a scheduled product is missing MIN minutes after its nominal time", &TFamilyLimits::MissingAfterMinutes, nullptr},
    {"missing-warning", "N", "products", TLimitGrammar::Whole, 1,
     "-check: WARNING when at least N products are missing in the last 24 hours", &TFamilyLimits::MissingWarning,
     "missing-critical"},
    {"missing-critical", "N", "products", TLimitGrammar::Whole, 3, "-check: CRITICAL from N missing products",
     &TFamilyLimits::MissingCritical, nullptr},
}};

}  // namespace

TFamilyLimits::TFamilyLimits()
{
    for (const TLimitRow& row : Rows)
        row.Set(*this, row.Default);
}

double TLimitRow::Of(const TFamilyLimits& limits) const
{
    return std::visit([&](auto member) { return static_cast<double>(limits.*member); }, Member);
}

void TLimitRow::Set(TFamilyLimits& limits, double value) const
{
    std::visit(
        [&](auto member) {
            using TValue = std::remove_reference_t<decltype(limits.*member)>;
            // A whole row's values are whole numbers below a billion (ParseLimit).
            limits.*member = static_cast<TValue>(value);
        },
        Member);
}

std::span<const TLimitRow> LimitRows() { return Rows; }

const TLimitRow* FindLimit(QAnyStringView key)
{
    for (const TLimitRow& row : Rows)
        if (QAnyStringView::equal(key, QLatin1StringView(row.Key)))
            return &row;
    return nullptr;
}

std::optional<double> ParseLimit(const TLimitRow& row, QStringView text)
{
    // By hand, not by a regular expression: the switches' defaults pass here
    // on every start, and a check must start fast.
    int before = 0, after = 0;
    bool point = false;
    for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            ++(point ? after : before);
        else if (c == QLatin1Char('.') && row.Grammar == TLimitGrammar::Decimal && !point)
            point = true;
        else
            return std::nullopt;
    }
    if (before + after == 0 || before > MaxDigitsBeforePoint)
        return std::nullopt;
    const double value = text.toDouble();
    if (row.Grammar == TLimitGrammar::Whole && value < 1)
        return std::nullopt;
    return value;
}

QString LimitNoun(const TLimitRow& row)
{
    return row.Grammar == TLimitGrammar::Decimal
               ? QStringLiteral("number of %1").arg(QLatin1String(row.Unit))
               : QStringLiteral("whole number of %1 from 1").arg(QLatin1String(row.Unit));
}

QString FormatLimit(double value) { return QString::number(value, 'f', QLocale::FloatingPointShortest); }

QString LimitPairProblem(const TFamilyLimits& limits, const QStringList* given)
{
    for (const TLimitRow& row : Rows) {
        const TLimitRow* pair = row.Pair ? FindLimit(row.Pair) : nullptr;
        if (!pair || (given && !(given->contains(QLatin1String(row.Key)) && given->contains(QLatin1String(pair->Key)))))
            continue;
        if (row.Of(limits) > pair->Of(limits))
            return QStringLiteral("%1 (%2 %3) is above %4 (%5 %6)")
                .arg(QLatin1String(row.Key), FormatLimit(row.Of(limits)), QLatin1String(row.Unit),
                     QLatin1String(pair->Key), FormatLimit(pair->Of(limits)), QLatin1String(pair->Unit));
    }
    return {};
}
