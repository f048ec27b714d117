#include "app/CommandLine.h"

#include "platform/Collation.h"

namespace {

bool StartsWithSwitchChar(const QString& argument)
{
    return !argument.isEmpty() && (argument[0] == QLatin1Char('-') || argument[0] == QLatin1Char('/'));
}

} // namespace

bool IsCloseSwitch(const QString& argument)
{
    return StartsWithSwitchChar(argument) && SameTextLocale(argument.mid(1), QStringLiteral("close"));
}

bool HasCloseSwitch(const QStringList& arguments)
{
    for (const QString& a : arguments)
        if (IsCloseSwitch(a))
            return true;
    return false;
}

std::optional<QString> PngSwitchFile(const QStringList& arguments)
{
    std::optional<QString> file;
    for (const QString& a : arguments)
        if (StartsWithSwitchChar(a) && SameTextLocale(a.mid(1, 4), QStringLiteral("png=")) && a.size() > 5)
            file = a.mid(5);
    return file;
}

TInfoRequest InfoRequest(const QStringList& arguments)
{
    if (arguments.size() != 1)
        return TInfoRequest::None;
    const QString& a = arguments[0];
    if (a == QLatin1String("--help") || a == QLatin1String("-help") || a == QLatin1String("-h") || a == QLatin1String("-?"))
        return TInfoRequest::Help;
    if (a == QLatin1String("--version"))
        return TInfoRequest::Version;
    return TInfoRequest::None;
}

QString VersionText() { return QStringLiteral("Lagwatch checker 1.0.0\n"); }

QString UsageText()
{
    return QStringLiteral(
        "Usage: lagwatch [DATA-FOLDER [LEDGER-FILE]] [-close] [-png=FILE]\n"
        "\n"
        "Measures how late each CRM product file (2*crm.grb) reached the station's\n"
        "day folders DATA-FOLDER/yyyy/mm/dd/ (or DATA-FOLDER/MPEF/yyyy/mm/dd/),\n"
        "records the delays in the ledger and shows the newest as a bar chart.\n"
        "\n"
        "  DATA-FOLDER   the station's data folder. Without it, the value ImagesPath\n"
        "                of $XDG_CONFIG_HOME/<company>/Datawarden.conf is used\n"
        "                (default ~/.config; company Ashgrove, or Fernleigh for an\n"
        "                executable named quillan).\n"
        "  LEDGER-FILE   the ledger, used when that file exists. Otherwise\n"
        "                CRM-received.txt beside the executable, or\n"
        "                $XDG_DATA_HOME/lagwatch/CRM-received.txt (default\n"
        "                ~/.local/share) when the executable's folder is not writable.\n"
        "  -close        (or /close, any letter case) exit after the scan, print the\n"
        "                summary on standard output and save the ledger; the exit\n"
        "                status is 1 when the ledger could not be saved.\n"
        "  -png=FILE     (or /png=FILE) also save the chart as a PNG image.\n"
        "  --help        show this text;  --version  show the version.\n"
        "\n"
        "Switches stand third or later when a data folder is given. Without a\n"
        "display the program draws off-screen, so scheduled runs work on servers.\n");
}
