#include "core/settings/windows1252.hpp"

#include <array>
#include <cstdint>

namespace merolan {
namespace {

// Code points of bytes 0x80..0x9F; every other byte is its own code point.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::optional<char> byteFor(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<char>(codePoint);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == codePoint)
            return static_cast<char>(0x80 + i);
    return std::nullopt;
}

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at `i`, advancing it; no value for a malformed sequence.
std::optional<char32_t> nextCodePoint(std::string_view utf8, std::size_t &i)
{
    const auto lead = static_cast<std::uint8_t>(utf8[i++]);
    if (lead < 0x80)
        return lead;
    int continuation = 0;
    char32_t c = 0;
    if ((lead & 0xE0) == 0xC0) {
        continuation = 1;
        c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        continuation = 2;
        c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        continuation = 3;
        c = lead & 0x07;
    } else {
        return std::nullopt;
    }
    for (int k = 0; k < continuation; ++k) {
        if (i >= utf8.size())
            return std::nullopt;
        const auto next = static_cast<std::uint8_t>(utf8[i++]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        c = (c << 6) | (next & 0x3F);
    }
    return c;
}

} // namespace

std::optional<std::string> toWindows1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::optional<char32_t> c = nextCodePoint(utf8, i);
        if (!c)
            return std::nullopt;
        const std::optional<char> byte = byteFor(*c);
        if (!byte)
            return std::nullopt;
        out.push_back(*byte);
    }
    return out;
}

std::string fromWindows1252(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (const char raw : bytes) {
        const auto b = static_cast<std::uint8_t>(raw);
        appendUtf8(out, b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : char32_t{b});
    }
    return out;
}

} // namespace merolan
