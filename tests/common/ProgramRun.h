#pragma once
// Runs a real program for an end-to-end test: off-screen, in a locale, with
// given standard input, under a time limit.
#include <QByteArray>
#include <QString>
#include <QStringList>

struct TProgramRun
{
    int Status = -1;  // -1: it did not end in time (and was killed); -2: it crashed
    QByteArray Out, Err;
};

TProgramRun RunOffscreen(const QString& program, const QStringList& arguments, const QString& locale = "C.UTF-8",
                         const QByteArray& input = {}, int timeoutMs = 120000);
