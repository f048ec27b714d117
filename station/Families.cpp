#include "station/Families.h"

#include "platform/PathBytes.h"
#include "platform/TextFile.h"
#include "platform/UserFolders.h"
#include "station/FamilyFolder.h"
#include "station/FilePattern.h"

#include <QFile>
#include <QRegularExpression>

#include <functional>
#include <map>

namespace {

const QString DefaultsSection = QStringLiteral("defaults");
const QString CrmSection = QStringLiteral("crm");

std::optional<int> ParsePositive(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    if (!digits.match(text).hasMatch() || text.toInt() < 1)
        return std::nullopt;
    return text.toInt();
}

// One key's value given to a family: false, with the reason, when it cannot be.
using TKeyRule = std::function<bool(TFamily& family, const QString& value, QString& reason)>;

bool SetCount(int& field, const QString& value, QString& reason)
{
    const std::optional<int> count = ParsePositive(value);
    if (!count) {
        reason = QStringLiteral("'%1' is no whole number from 1").arg(value);
        return false;
    }
    field = *count;
    return true;
}

// The keys of the limits, one for each row of their table, added to the others.
std::map<QString, TKeyRule> WithLimitKeys(std::map<QString, TKeyRule> rules)
{
    for (const TLimitRow& row : LimitRows())
        rules.emplace(QLatin1String(row.Key), [&row](TFamily& f, const QString& v, QString& reason) {
            const std::optional<double> value = ParseLimit(row, v);
            if (!value)
                reason = QStringLiteral("'%1' is no %2").arg(v, LimitNoun(row));
            else
                row.Set(f.Limits, *value);
            return value.has_value();
        });
    return rules;
}

// The keys of a section, in the order the man page lists them.
const std::map<QString, TKeyRule>& KeyRules()
{
    static const std::map<QString, TKeyRule> rules = WithLimitKeys({
        {QStringLiteral("folder"),
         [](TFamily& f, const QString& v, QString& reason) {
             if (!CheckFamilyFolder(v, reason))
                 return false;
             f.Folder = v;
             return true;
         }},
        {QStringLiteral("pattern"),
         [](TFamily& f, const QString& v, QString& reason) {
             if (!TFilePattern::Parse(v, reason))
                 return false;
             f.Pattern = v;
             return true;
         }},
        {QStringLiteral("expect"),
         [](TFamily& f, const QString& v, QString& reason) {
             if (v.compare(QLatin1String("learn"), Qt::CaseInsensitive) == 0) {
                 f.Expect.reset();
                 return true;
             }
             f.Expect = ParseExpectedSchedule(v, reason);
             return f.Expect.has_value();
         }},
        {QStringLiteral("files-per-slot"),
         [](TFamily& f, const QString& v, QString& reason) {
             if (v.compare(QLatin1String("learn"), Qt::CaseInsensitive) == 0) {
                 f.FilesPerSlot.reset();
                 return true;
             }
             int count = 0;
             if (!SetCount(count, v, reason))
                 return false;
             f.FilesPerSlot = count;
             return true;
         }},
        {QStringLiteral("delay"),
         [](TFamily& f, const QString& v, QString& reason) {
             if (v == QLatin1String("write-time"))
                 f.Delay = TDelaySource::WriteTime;
             else if (v == QLatin1String("name-time"))
                 f.Delay = TDelaySource::NameTime;
             else
                 reason = QStringLiteral("'%1' is neither write-time nor name-time").arg(v);
             return reason.isEmpty();
         }},
        {QStringLiteral("missing"),
         [](TFamily& f, const QString& v, QString& reason) {
             if (v == QLatin1String("ok"))
                 f.Limits.Missing = TMissingPolicy::Ok;
             else if (v == QLatin1String("warning"))
                 f.Limits.Missing = TMissingPolicy::Warning;
             else if (v == QLatin1String("critical"))
                 f.Limits.Missing = TMissingPolicy::Critical;
             else
                 reason = QStringLiteral("'%1' is none of ok, warning and critical").arg(v);
             return reason.isEmpty();
         }},
        {QStringLiteral("keep-days"),
         [](TFamily& f, const QString& v, QString& reason) {
             int days = 0;
             if (!SetCount(days, v, reason))
                 return false;
             if (days < MinKeepDays) {
                 reason = QStringLiteral("%1 is below %2: the 7-day and 30-day figures read the last %2 days, which "
                                         "the ledger must keep out of its archive")
                              .arg(days)
                              .arg(MinKeepDays);
                 return false;
             }
             f.KeepDays = days;
             return true;
         }},
    });
    return rules;
}

struct TSection
{
    QString Name;
    int Line = 0;
    std::vector<std::pair<int, std::pair<QString, QString>>> Keys;  // line, key, value
};

}  // namespace

bool IsFamilyName(const QString& name)
{
    static const QRegularExpression rule(QStringLiteral("^[A-Za-z0-9_-]{1,32}$"));
    return rule.match(name).hasMatch();
}

QString DefaultFamiliesFile() { return UserConfigHome() + QStringLiteral("/lagwatch/families.conf"); }

std::optional<std::vector<TFamily>> ParseFamilies(const QString& text, const QString& fileName, QString& error)
{
    auto fail = [&](int line, const QString& reason) {
        error = QStringLiteral("%1:%2: %3").arg(fileName).arg(line).arg(reason);
        return std::nullopt;
    };
    std::vector<TSection> sections;
    std::optional<TSection> defaults;
    TSection* current = nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNumber = i + 1;
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']')))
                return fail(lineNumber, QStringLiteral("a section line must be [NAME]"));
            const QString name = line.mid(1, line.size() - 2).trimmed();
            if (!IsFamilyName(name))
                return fail(lineNumber, QStringLiteral("'%1' is no family name (letters, digits, '_' and '-', at most "
                                                       "32 characters)")
                                            .arg(name));
            const bool isDefaults = name.compare(DefaultsSection, Qt::CaseInsensitive) == 0;
            if (isDefaults && (defaults || !sections.empty()))
                return fail(lineNumber, defaults ? QStringLiteral("a second [defaults] section")
                                                 : QStringLiteral("[defaults] must come before the families"));
            for (const TSection& s : sections)
                if (s.Name.compare(name, Qt::CaseInsensitive) == 0)
                    return fail(
                        lineNumber,
                        QStringLiteral("the family '%1' is named twice (line %2 and here)").arg(name).arg(s.Line));
            if (isDefaults) {
                defaults.emplace(TSection{name, lineNumber, {}});
                current = &*defaults;
            } else {
                sections.push_back({name, lineNumber, {}});
                current = &sections.back();
            }
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            return fail(lineNumber, QStringLiteral("neither [NAME] nor key = value"));
        if (!current)
            return fail(lineNumber, QStringLiteral("a key before the first section"));
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        const bool isDefaults = current == &*defaults;
        const bool enabledKey = key == QLatin1String("enabled");
        if (!enabledKey && !KeyRules().count(key))
            return fail(lineNumber, QStringLiteral("unknown key '%1'").arg(key));
        if (enabledKey && isDefaults)
            return fail(lineNumber, QStringLiteral("'enabled' belongs in a family's section, not in [defaults]"));
        if (value.isEmpty())
            return fail(lineNumber, QStringLiteral("the key '%1' has no value").arg(key));
        if (value.size() > MaxFamilyValueLength)
            return fail(lineNumber, QStringLiteral("the value of '%1' is longer than %2 characters")
                                        .arg(key)
                                        .arg(MaxFamilyValueLength));
        // A comment after a value would silently become part of it (a pattern then matches nothing).
        static const QRegularExpression inlineComment(QStringLiteral("\\s[#;]"));
        if (inlineComment.match(value).hasMatch())
            return fail(lineNumber, QStringLiteral("the value of '%1' holds a comment ('#' or ';' after a blank): "
                                                   "a comment goes on a line of its own")
                                        .arg(key));
        current->Keys.push_back({lineNumber, {key, value}});
    }

    // Each key is checked where it is written, and again as the family that
    // inherits it sees it.
    auto apply = [&](TFamily& family, const TSection& section, bool& enabled) -> bool {
        for (const auto& [lineNumber, keyValue] : section.Keys) {
            const auto& [key, value] = keyValue;
            QString reason;
            if (key == QLatin1String("enabled")) {
                if (value == QLatin1String("true") || value == QLatin1String("yes"))
                    enabled = true;
                else if (value == QLatin1String("false") || value == QLatin1String("no"))
                    enabled = false;
                else
                    reason = QStringLiteral("'%1' is neither true nor false").arg(value);
            } else {
                KeyRules().at(key)(family, value, reason);
            }
            if (!reason.isEmpty()) {
                fail(lineNumber, QStringLiteral("%1: %2").arg(key, reason));
                return false;
            }
        }
        return true;
    };
    auto checkLimits = [&](const TFamily& family, int lineNumber) -> bool {
        const QString problem = LimitPairProblem(family.Limits);
        if (!problem.isEmpty())
            fail(lineNumber, QStringLiteral("[%1]: %2").arg(family.Name, problem));
        return problem.isEmpty();
    };

    TFamily inherited;
    inherited.Folder = DefaultFamilyFolder;
    inherited.KeepDays = DefaultKeepDays;
    bool unused = true;
    if (defaults && !apply(inherited, *defaults, unused))
        return std::nullopt;

    std::vector<TFamily> families;
    TFamily crm = BuiltInCrmFamily();
    // In a families file the CRM products count slots, as every family does.
    crm.CountsProducts = false;
    bool crmEnabled = true;
    int crmLine = 0;
    for (const TSection& section : sections) {
        if (section.Name.compare(CrmSection, Qt::CaseInsensitive) != 0)
            continue;
        crmLine = section.Line;
        if (!apply(crm, section, crmEnabled) || !checkLimits(crm, section.Line))
            return std::nullopt;
        // A pattern of its own makes crm a family like the others.
        crm.BuiltInCrm = crm.Pattern == BuiltInCrmFamily().Pattern;
        if (crm.BuiltInCrm && crm.KeepDays)
            return fail(section.Line, QStringLiteral("[crm]: keep-days: the CRM ledger keeps every line; keep-days "
                                                     "is for the other families"));
    }
    if (crmEnabled)
        families.push_back(crm);
    for (const TSection& section : sections) {
        if (section.Name.compare(CrmSection, Qt::CaseInsensitive) == 0)
            continue;
        TFamily family = inherited;
        family.Name = section.Name;
        bool enabled = true;
        if (!apply(family, section, enabled) || !checkLimits(family, section.Line))
            return std::nullopt;
        if (family.Pattern.isEmpty())
            return fail(section.Line, QStringLiteral("[%1] has no pattern").arg(section.Name));
        if (enabled)
            families.push_back(std::move(family));
    }
    if (families.empty())
        return fail(crmLine, QStringLiteral("every family is disabled"));
    return families;
}

std::optional<std::vector<TFamily>> ReadFamiliesFile(const QString& path, bool mustExist, QString& error)
{
    QFile file(path);
    if (!file.exists() && !mustExist)
        return std::vector<TFamily>{BuiltInCrmFamily()};
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1: cannot read the families file: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    // Read no further than the limit: a file of any size (or a device) costs at most that.
    const QByteArray bytes = file.read(MaxFamiliesFileBytes + 1);
    if (bytes.size() > MaxFamiliesFileBytes) {
        error = QStringLiteral("%1: the families file is larger than %2 bytes (1 MiB); a families file is a few "
                               "sections of text")
                    .arg(path)
                    .arg(MaxFamiliesFileBytes);
        return std::nullopt;
    }
    if (DetectTextEncoding(bytes) == TTextEncoding::Binary) {
        error = QStringLiteral("%1: the families file is not a text").arg(path);
        return std::nullopt;
    }
    return ParseFamilies(DecodeTextLines(bytes).join(QLatin1Char('\n')), path, error);
}

void ApplyOverrides(std::vector<TFamily>& families, const TFamilyOverrides& overrides)
{
    for (TFamily& family : families) {
        for (const TLimitRow& row : LimitRows())
            if (overrides.Given.contains(QLatin1String(row.Key)))
                row.Set(family.Limits, row.Of(overrides.Limits));
        if (overrides.Expect)
            family.Expect = overrides.Expect;
    }
}

std::optional<std::vector<TFamily>> SelectFamilies(const std::vector<TFamily>& families, const QStringList& names,
                                                   QString& error)
{
    for (const QString& name : names) {
        const bool known = std::any_of(families.begin(), families.end(), [&](const TFamily& f) {
            return f.Name.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (!known) {
            QStringList all;
            for (const TFamily& f : families)
                all << f.Name;
            error = QStringLiteral("no family '%1' (the families are %2)").arg(name, all.join(QLatin1String(", ")));
            return std::nullopt;
        }
    }
    std::vector<TFamily> chosen;
    for (const TFamily& family : families)
        if (names.contains(family.Name, Qt::CaseInsensitive))
            chosen.push_back(family);
    return chosen;
}
