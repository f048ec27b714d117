#include "map/Converter.h"

#include "map/Report.h"
#include "map/Text.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <type_traits>

namespace MapTool {

namespace {

// Buffered standard output without stdio's per-call formatting.
class TOutput
{
public:
    ~TOutput() { Flush(); }
    // Room for n more bytes at Cursor(); n must not exceed the buffer.
    char* Room(size_t n)
    {
        if (FBuffer.size() - FUsed < n)
            Flush();
        return FBuffer.data() + FUsed;
    }
    char* End() { return FBuffer.data() + FBuffer.size(); }
    void Advance(char* to) { FUsed = static_cast<size_t>(to - FBuffer.data()); }
    void Append(std::string_view text)
    {
        if (text.empty())
            return;
        if (text.size() > FBuffer.size() - FUsed) {
            Flush();
            if (text.size() > FBuffer.size()) {
                std::fwrite(text.data(), 1, text.size(), stdout);
                return;
            }
        }
        std::memcpy(FBuffer.data() + FUsed, text.data(), text.size());
        FUsed += text.size();
    }
    void Flush()
    {
        if (FUsed)
            std::fwrite(FBuffer.data(), 1, FUsed, stdout);
        FUsed = 0;
    }

private:
    std::vector<char> FBuffer = std::vector<char>(1 << 16);
    size_t FUsed = 0;
};

template <typename T>
char* PutValue(char* at, char* end, T value, int decimals)
{
    std::to_chars_result r;
    if constexpr (std::is_floating_point_v<T>)
        r = std::to_chars(at, end, value, std::chars_format::fixed, decimals);
    else
        r = std::to_chars(at, end, value);
    return r.ptr;
}

// "first second 1" for a converted point.
template <typename T>
char* PutResult(char* at, char* end, T first, T second, int decimals)
{
    at = PutValue(at, end, first, decimals);
    *at++ = ' ';
    at = PutValue(at, end, second, decimals);
    *at++ = ' ';
    *at++ = '1';
    return at;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

class TConverter
{
public:
    TConverter(const TMapping& Mapping, TConversion Conversion, int Decimals)
        : FMapping(Mapping), FConversion(Conversion), FDecimals(Decimals)
    {}

    // Converts one opened input to the end; false when reading failed.
    bool Run(std::FILE* In, const std::string& Name);

private:
    const TMapping& FMapping;
    TConversion FConversion;
    int FDecimals;
    TOutput FOut;
    std::string FName;
    long long FLineNumber = 0;

    void Line(std::string_view Text);
    // The converted values, or false when the two fields are no numbers.
    bool Convert(std::string_view A, std::string_view B, bool& Ok, char*& At, char* End) const;
};

bool TConverter::Convert(std::string_view A, std::string_view B, bool& Ok, char*& At, char* End) const
{
    if (FConversion == TConversion::Inverse) {
        int32_t x = 0, y = 0;
        if (!ParseInt(A, x) || !ParseInt(B, y))
            return false;
        float lon = 0, lat = 0;
        Ok = FMapping.XYToLonLat(x, y, lon, lat);
        if (Ok)
            At = PutResult(At, End, lon, lat, FDecimals);
        return true;
    }
    float lon = 0, lat = 0;
    if (!ParseFloat(A, lon) || !ParseFloat(B, lat))
        return false;
    if (FConversion == TConversion::Forward) {
        int32_t x = 0, y = 0;
        Ok = FMapping.LonLatToXY(lon, lat, x, y);
        if (Ok)
            At = PutResult(At, End, x, y, 0);
    } else {
        float x = 0, y = 0;
        Ok = FMapping.LonLatToXYF(lon, lat, x, y);
        if (Ok)
            At = PutResult(At, End, x, y, FDecimals);
    }
    return true;
}

void TConverter::Line(std::string_view Text)
{
    ++FLineNumber;
    const bool crlf = !Text.empty() && Text.back() == '\r';
    if (crlf)
        Text.remove_suffix(1);
    const std::string_view eol = crlf ? "\r\n" : "\n";
    auto skip = [&](size_t i) {
        while (i < Text.size() && IsBlank(Text[i]))
            ++i;
        return i;
    };
    auto word = [&](size_t i) {
        while (i < Text.size() && !IsBlank(Text[i]))
            ++i;
        return i;
    };
    const size_t a = skip(0);
    if (a == Text.size() || Text[a] == '#') {
        FOut.Append(Text);
        FOut.Append(eol);
        return;
    }
    const size_t aEnd = word(a), b = skip(aEnd), bEnd = word(b);
    std::string_view rest = Text.substr(bEnd);
    if (skip(bEnd) == Text.size())
        rest = {};
    // 160 bytes hold two single-precision values (39 digits) with 15 decimals and the flag.
    char* at = FOut.Room(160);
    bool ok = false;
    const bool parsed =
        b < Text.size() && Convert(Text.substr(a, aEnd - a), Text.substr(b, bEnd - b), ok, at, FOut.End());
    if (!ok) {
        std::memcpy(at, "* * 0", 5);
        at += 5;
    }
    FOut.Advance(at);
    if (parsed)
        FOut.Append(rest);
    FOut.Append(eol);
    if (!parsed) {
        FOut.Flush();
        std::fflush(stdout);
        // At most 200 bytes of the line, up to a NUL.
        std::string_view shown = Text.substr(0, 200);
        shown = shown.substr(0, shown.find('\0'));
        Report(TReport::Error, (FName.empty() ? "" : FName + ": ") + "line " + std::to_string(FLineNumber) +
                                   ": cannot parse " + Quoted(shown));
    }
}

bool TConverter::Run(std::FILE* In, const std::string& Name)
{
    FName = Name;
    FLineNumber = 0;
    std::vector<char> buffer(1 << 20);
    std::string carry;
    for (;;) {
        const size_t n = std::fread(buffer.data(), 1, buffer.size(), In);
        if (n == 0)
            break;
        std::string_view chunk(buffer.data(), n);
        size_t start = 0;
        for (;;) {
            const size_t nl = chunk.find('\n', start);
            if (nl == std::string_view::npos) {
                carry.append(chunk.substr(start));
                break;
            }
            if (!carry.empty()) {
                carry.append(chunk.substr(start, nl - start));
                Line(carry);
                carry.clear();
            } else
                Line(chunk.substr(start, nl - start));
            start = nl + 1;
        }
    }
    if (!carry.empty())
        Line(carry);
    FOut.Flush();
    return !std::ferror(In);
}

}  // namespace

int RunConversions(const TMapping& mapping, TConversion conversion, int decimals, const std::vector<std::string>& files)
{
    TConverter converter(mapping, conversion, decimals);
    int status = 0;
    const std::vector<std::string> inputs = files.empty() ? std::vector<std::string>{"-"} : files;
    for (const std::string& file : inputs) {
        if (file == "-") {
            if (!converter.Run(stdin, std::string()))
                status = Report(TReport::Error, "cannot read standard input: " + std::string(std::strerror(errno)));
            continue;
        }
        std::FILE* in = std::fopen(file.c_str(), "rb");
        if (!in) {
            std::fflush(stdout);
            status = Report(TReport::Error, "cannot open " + file + ": " + std::strerror(errno));
            continue;
        }
        if (!converter.Run(in, file)) {
            std::fflush(stdout);
            status = Report(TReport::Error, "cannot read " + file + ": " + std::strerror(errno));
        }
        std::fclose(in);
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        status = Report(TReport::Error, "cannot write standard output: " + std::string(std::strerror(errno)));
    return status;
}

}  // namespace MapTool
