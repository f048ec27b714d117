#include "scan/Wildcard.h"

#include "platform/AsciiCase.h"

#include <QChar>
#include <QList>
#include <array>

namespace {

// Bytes of an invalid UTF-8 sequence map above the Unicode range, so that no
// mask character (and no folded letter) can ever equal them.
constexpr char32_t InvalidByteBase = 0x110000;

// Decodes one UTF-8 character at s[i]; advances i. Overlong forms, surrogates
// and values beyond U+10FFFF are invalid and yield the first byte alone.
char32_t DecodeUtf8(const unsigned char* s, size_t length, size_t& i)
{
    const unsigned char b0 = s[i];
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int extra = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        c = b0 & 0x1F;
        minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        c = b0 & 0x0F;
        minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        c = b0 & 0x07;
        minimum = 0x10000;
    } else {
        ++i;
        return InvalidByteBase + b0;
    }
    if (i + static_cast<size_t>(extra) >= length) {
        ++i;
        return InvalidByteBase + b0;
    }
    for (int k = 1; k <= extra; ++k) {
        const unsigned char b = s[i + static_cast<size_t>(k)];
        if ((b & 0xC0) != 0x80) {
            ++i;
            return InvalidByteBase + b0;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return InvalidByteBase + b0;
    }
    i += static_cast<size_t>(extra) + 1;
    return c;
}

// The classic single-backtrack matcher: on a mismatch after a '*', the star
// takes one more character. Linear for the masks a folder listing sees.
template <typename TNameChar>
bool MatchPattern(const std::vector<char32_t>& pattern, const TNameChar* name, size_t length)
{
    const size_t pn = pattern.size();
    size_t pi = 0, ni = 0;
    size_t starP = static_cast<size_t>(-1), starN = 0;
    while (ni < length) {
        if (pi < pn && pattern[pi] == U'*') {
            starP = pi++;
            starN = ni;
        } else if (pi < pn && (pattern[pi] == U'?' || pattern[pi] == static_cast<char32_t>(name[ni]))) {
            ++pi;
            ++ni;
        } else if (starP != static_cast<size_t>(-1)) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < pn && pattern[pi] == U'*')
        ++pi;
    return pi == pn;
}

}  // namespace

char32_t FoldWildcardChar(char32_t c)
{
    if (c < 0x80)
        return LowerAscii(c);
    if (c > 0x10FFFF)
        return c;
    return QChar::toCaseFolded(c);
}

TWildcard::TWildcard(const QString& mask)
{
    for (char32_t c : mask.toUcs4())
        FPattern.push_back(FoldWildcardChar(c));
}

bool TWildcard::MatchFolded(const char32_t* name, size_t length) const { return MatchPattern(FPattern, name, length); }

bool TWildcard::Matches(const char* name, size_t length) const
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(name);
    // A file name holds at most 255 bytes, hence at most 255 characters; longer
    // input (not a single name) takes the heap.
    std::array<char32_t, 256> local;
    std::vector<char32_t> heap;
    char32_t* folded = local.data();
    if (length > local.size()) {
        heap.resize(length);
        folded = heap.data();
    }
    size_t count = 0;
    for (size_t i = 0; i < length;) {
        if (bytes[i] < 0x80) {
            const unsigned char b = bytes[i++];
            folded[count++] = LowerAscii(b);
        } else {
            folded[count++] = FoldWildcardChar(DecodeUtf8(bytes, length, i));
        }
    }
    return MatchFolded(folded, count);
}

bool TWildcard::Matches(const QString& name) const
{
    std::vector<char32_t> folded;
    for (char32_t c : name.toUcs4())
        folded.push_back(FoldWildcardChar(c));
    return MatchFolded(folded.data(), folded.size());
}
