// Mask matching against a plain recursive reference on the same folded
// characters; the byte and the text forms agree on valid UTF-8 names.
#include "scan/Wildcard.h"
#include "platform/TextFile.h"

#include <cstdlib>
#include <vector>

namespace {

bool Reference(const std::vector<char32_t>& p, size_t pi, const std::vector<char32_t>& n, size_t ni,
               std::vector<signed char>& memo)
{
    signed char& m = memo[pi * (n.size() + 1) + ni];
    if (m >= 0)
        return m;
    bool r;
    if (pi == p.size())
        r = ni == n.size();
    else if (p[pi] == U'*')
        r = Reference(p, pi + 1, n, ni, memo) || (ni < n.size() && Reference(p, pi, n, ni + 1, memo));
    else
        r = ni < n.size() && (p[pi] == U'?' || p[pi] == n[ni]) && Reference(p, pi + 1, n, ni + 1, memo);
    m = r;
    return r;
}

std::vector<char32_t> Folded(const QString& s)
{
    std::vector<char32_t> out;
    for (char32_t c : s.toUcs4())
        out.push_back(FoldWildcardChar(c));
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // mask, a NUL byte, then the name
    const char* bytes = reinterpret_cast<const char*>(data);
    size_t split = 0;
    while (split < size && bytes[split] != 0)
        ++split;
    if (split == size || size - split - 1 > 300 || split > 300)
        return 0;
    const QByteArray maskBytes(bytes, static_cast<qsizetype>(split));
    const QByteArray name(bytes + split + 1, static_cast<qsizetype>(size - split - 1));
    const QString mask = QString::fromUtf8(maskBytes);
    const TWildcard wildcard(mask);
    const bool byBytes = wildcard.Matches(name);
    if (!IsValidUtf8(name.constData(), name.size()))
        return 0;
    const QString text = QString::fromUtf8(name);
    const std::vector<char32_t> p = Folded(mask), n = Folded(text);
    std::vector<signed char> memo((p.size() + 1) * (n.size() + 1), -1);
    const bool expected = Reference(p, 0, n, 0, memo);
    if (byBytes != expected || wildcard.Matches(text) != expected)
        std::abort();
    return 0;
}
