#pragma once
// The words of the command line and of the input lines: numbers read as the
// mapping stores them, names compared in any letter case, words quoted in
// messages.
#include <cstdint>
#include <string>
#include <string_view>

namespace MapTool {

// A whole number in 32 bits, with an optional sign.
bool ParseInt(std::string_view text, int32_t& value);
// A decimal number as a double. One beyond the double range is still a number:
// a magnitude too small gives zero and one too large infinity, with its sign.
bool ParseReal(std::string_view text, double& value);
// A decimal number as single precision, rounded once from the text where it can
// be; beyond the single range as a float store would give it.
bool ParseFloat(std::string_view text, float& value);

bool SameIgnoringCase(std::string_view a, std::string_view b);
std::string Quoted(std::string_view text);

}  // namespace MapTool
