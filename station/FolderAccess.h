#pragma once
// Whether a folder the pass needs can be listed, and why not: a folder that
// exists but cannot be read must never pass for an empty one.
#include <QByteArray>
#include <QString>

// Empty when the folder can be listed; otherwise why not, in the words of
// `named` ("the data folder X", "the folder X of the family F"): it does not
// exist, cannot be reached, is not a folder, or cannot be read. error: the
// error of the first step that failed (ENOTDIR for no folder), else 0.
QString FolderProblem(const QString& folder, const QString& named, int* error = nullptr);

// An error of a folder that is there but cannot be read, rather than not there.
bool IsUnreadable(int error);

// A walk's look at a day folder, from its status alone: 0 for a folder, -1
// for none there (missing, or no folder), else the error that kept it from
// being told (a folder on the way that may not be searched).
int FolderStatusError(const QByteArray& path);

// The error of listing the folder; 0 when it can be listed or is not there.
int FolderListingError(const QByteArray& path);

// "cannot list the folder X: <the error's text>".
QString UnlistedFolderMessage(const QString& folder, int error);
