#pragma once
// The letters A to Z in lower case, every other character unchanged: the one
// case rule of product names and command-line words, whatever the locale.

// For char, unsigned char, char16_t and char32_t alike.
template <typename TChar>
constexpr TChar LowerAscii(TChar c)
{
    return (c >= TChar('A') && c <= TChar('Z')) ? static_cast<TChar>(c + ('a' - 'A')) : c;
}
