#include "desktop/WatchStatus.h"

#include "platform/DateFormat.h"

namespace {

QString Clock(TDateTime value) { return FormatDateTime(QStringLiteral("hh:nn \"UTC\""), value); }

// A problem as a sentence: "The data folder /x does not exist."
QString Sentence(const QString& text)
{
    QString sentence = text;
    if (!sentence.isEmpty())
        sentence[0] = sentence[0].toUpper();
    return sentence.endsWith(QLatin1Char('.')) ? sentence : sentence + QLatin1Char('.');
}

}  // namespace

QString WatchStatusLine(const TWatchState& state)
{
    if (!state.LastScan)
        return {};
    QString line;
    if (state.Scanning) {
        line = QStringLiteral("Scanning since %1").arg(Clock(*state.LastScan));
    } else {
        line = QStringLiteral("Last scan %1")
                   .arg(FormatDateTime(QStringLiteral("yyyy-mmm-dd hh:nn \"UTC\""), *state.LastScan));
        if (!state.LastFailure.isEmpty())
            line += QStringLiteral(" failed: ") + state.LastFailure;
    }
    if (state.NextScan)
        line += (state.LastFailure.isEmpty() || state.Scanning ? QStringLiteral(", next at ")
                                                               : QStringLiteral("; next try at ")) +
                Clock(*state.NextScan);
    if (state.Skipped)
        line += QStringLiteral(" (the scan asked for at %1 was skipped: the one before was still running)")
                    .arg(Clock(*state.Skipped));
    return line;
}

QString DataFolderNote(TFolderSource source, const QString& problem, const QString& settingsFile)
{
    switch (source) {
    case TFolderSource::Unset:
        return QStringLiteral("No data folder is set.\nSet ImagesPath in %1\nto the station's data folder, "
                              "then Scan again (F5).")
            .arg(settingsFile);
    case TFolderSource::Settings:
        if (problem.isEmpty())
            return {};
        return Sentence(problem) +
               QStringLiteral("\nChange ImagesPath in %1,\nthen Scan again (F5).").arg(settingsFile);
    case TFolderSource::CommandLine:
        if (problem.isEmpty())
            return {};
        return Sentence(problem) +
               QStringLiteral("\nIt was given on the command line: start lagwatch with the station's data folder,\n"
                              "or without one to use ImagesPath in %1.")
                   .arg(settingsFile);
    }
    return {};
}
