#pragma once
// File-name masks as a folder listing understands them: '*' matches any run of
// characters (also an empty one), '?' exactly one character, letters match
// without regard to case, and the whole name must match. No other character is
// special.
//
// Names are matched as the file system's bytes: UTF-8 sequences count as one
// character each, and every byte of an invalid sequence counts as a character
// of its own that no mask character equals, so a name that is not valid UTF-8
// can still match '*' and '?'.
#include <QString>
#include <cstddef>
#include <vector>

class TWildcard
{
public:
    explicit TWildcard(const QString& mask);

    bool Matches(const char* name, size_t length) const;
    bool Matches(const QByteArray& name) const { return Matches(name.constData(), static_cast<size_t>(name.size())); }
    bool Matches(const QString& name) const;

private:
    bool MatchFolded(const char32_t* name, size_t length) const;

    std::vector<char32_t> FPattern;  // case-folded code points
};

// Folds one character for case-blind comparison.
char32_t FoldWildcardChar(char32_t c);
