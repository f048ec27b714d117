#pragma once
// Messages for the user: one line "lagwatch: ..." on standard error, a
// path's bytes that are not UTF-8 given back as they were. The unattended
// run, the window and the desktop program all say what they have to say here.
#include <QByteArray>
#include <QString>

#include <cstdio>

// stream: standard error, or the stream a test captures.
void TellUser(const QString& message, std::FILE* stream = stderr);

// What a run prints as it stands (the summary, the check's line, the help),
// flushed at once; text is written as PathBytes.h encodes paths.
void PrintBytes(std::FILE* stream, const QByteArray& bytes);
void PrintText(std::FILE* stream, const QString& text);
