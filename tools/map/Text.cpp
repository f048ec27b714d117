#include "map/Text.h"

#include "platform/AsciiCase.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace MapTool {

bool ParseInt(std::string_view text, int32_t& value)
{
    if (text.size() > 1 && text.front() == '+' && text[1] != '-')
        text.remove_prefix(1);
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && !text.empty();
}

namespace {

// Decimal exponent of the first significant digit of "123.45" (2) or "0.0012" (-3).
long long LeadingExponent(std::string_view digits)
{
    const size_t point = std::min(digits.find('.'), digits.size());
    for (size_t i = 0; i < digits.size(); ++i)
        if (digits[i] >= '1' && digits[i] <= '9')
            return i < point ? static_cast<long long>(point - i) - 1 : -static_cast<long long>(i - point);
    return 0;
}

}  // namespace

// A decimal number as a double. One beyond the double range is still a number:
// a magnitude too small gives zero and one too large infinity, with its sign.
bool ParseReal(std::string_view text, double& value)
{
    if (text.size() > 1 && text.front() == '+' && text[1] != '-')
        text.remove_prefix(1);
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ptr != end)
        return false;
    if (result.ec == std::errc())
        return true;
    if (result.ec != std::errc::result_out_of_range)
        return false;
    const bool negative = text.front() == '-';
    std::string_view digits = negative ? text.substr(1) : text;
    long long exponent = 0;
    const size_t e = digits.find_first_of("eE");
    if (e != std::string_view::npos) {
        std::string_view power = digits.substr(e + 1);
        const bool negativePower = !power.empty() && power.front() == '-';
        if (!power.empty() && (power.front() == '-' || power.front() == '+'))
            power.remove_prefix(1);
        if (std::from_chars(power.data(), power.data() + power.size(), exponent).ec != std::errc())
            exponent = std::numeric_limits<int>::max();  // only a huge exponent gets here
        if (negativePower)
            exponent = -exponent;
        digits = digits.substr(0, e);
    }
    const double magnitude = LeadingExponent(digits) + exponent < 0 ? 0.0 : std::numeric_limits<double>::infinity();
    value = negative ? -magnitude : magnitude;
    return true;
}

// A decimal number as single precision, rounded once from the text where it can
// be; beyond the single range as a float store would give it.
bool ParseFloat(std::string_view text, float& value)
{
    std::string_view digits = text;
    if (digits.size() > 1 && digits.front() == '+' && digits[1] != '-')
        digits.remove_prefix(1);
    const char* end = digits.data() + digits.size();
    const auto result = std::from_chars(digits.data(), end, value);
    if (!digits.empty() && result.ptr == end && result.ec == std::errc())
        return true;
    double wide = 0;
    if (!ParseReal(text, wide))
        return false;
    if (std::fabs(wide) > std::numeric_limits<float>::max())
        value = wide < 0 ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
    else
        value = static_cast<float>(wide);
    return true;
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace MapTool
