#pragma once

#include <string>
#include <string_view>

// Character classes and case as protocols and file formats define them: ASCII only, whatever the
// user's locale (<cctype> follows the locale and takes no plain char safely).
namespace merolan {

constexpr bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

constexpr bool isAsciiUpper(char c)
{
    return c >= 'A' && c <= 'Z';
}

constexpr bool isAsciiLower(char c)
{
    return c >= 'a' && c <= 'z';
}

constexpr bool isAsciiLetter(char c)
{
    return isAsciiUpper(c) || isAsciiLower(c);
}

constexpr char asciiUpper(char c)
{
    return isAsciiLower(c) ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr char asciiLower(char c)
{
    return isAsciiUpper(c) ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string asciiUpperCased(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = asciiUpper(c);
    return out;
}

inline std::string asciiLowerCased(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = asciiLower(c);
    return out;
}

} // namespace merolan
