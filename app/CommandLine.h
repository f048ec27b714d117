#pragma once
// The command line of the delay checker:
//   lagwatch [DATA-FOLDER [LEDGER-FILE]] [-close] [-png=FILE]
// Positional arguments 1 and 2 are taken as they stand, whatever they hold;
// switches are recognised wherever they stand.
#include <QString>
#include <QStringList>
#include <optional>

// True for "-close" or "/close" in any letter case.
bool IsCloseSwitch(const QString& argument);
bool HasCloseSwitch(const QStringList& arguments);

// The FILE of the last "-png=FILE" or "/png=FILE" switch (any letter case).
std::optional<QString> PngSwitchFile(const QStringList& arguments);

enum class TInfoRequest { None, Help, Version };
// --help or --version (also -h, -?, -help), only when it is the only argument.
TInfoRequest InfoRequest(const QStringList& arguments);

QString UsageText();
QString VersionText();
