#pragma once
// Expected text as a user of the running locale reads it. The locale cases
// run under C, English and German locales; the program's dates and numbers
// follow the user's (Qt's) locale, so a German user sees German month
// abbreviations and a decimal comma.
#include <QLocale>
#include <QRegularExpression>
#include <QString>

#include <utility>

inline bool GermanLocale() { return QLocale().language() == QLocale::German; }

// The English text with its month abbreviations and number separators as
// the running locale writes them (a German table of its own, not Qt's).
inline QString InLocale(QString english)
{
    if (!GermanLocale())
        return english;
    static const std::pair<const char*, const char*> months[] = {
        {"Jan", "Jan."}, {"Feb", "Feb."}, {"Mar", "März"},  {"Apr", "Apr."}, {"May", "Mai"},  {"Jun", "Juni"},
        {"Jul", "Juli"}, {"Aug", "Aug."}, {"Sep", "Sept."}, {"Oct", "Okt."}, {"Nov", "Nov."}, {"Dec", "Dez."}};
    for (const auto& [en, de] : months)
        english.replace(QRegularExpression(QStringLiteral("\\b%1\\b").arg(QLatin1String(en))), QString::fromUtf8(de));
    // Between digits a point becomes a comma, a comma (grouping thousands) a point.
    for (qsizetype i = 1; i + 1 < english.size(); ++i)
        if (english[i - 1].isDigit() && english[i + 1].isDigit() && (english[i] == '.' || english[i] == ','))
            english[i] = english[i] == '.' ? ',' : '.';
    return english;
}
