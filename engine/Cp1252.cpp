#include "engine/Cp1252.h"

#include <cstdint>

namespace kalvora {

namespace {

// Characters of the bytes 80..9F; the undefined bytes map to themselves.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char kReplacement = '?';

char32_t charOfByte(uint8_t b)
{
    if (b >= 0x80 && b <= 0x9F) return kHighControls[b - 0x80];
    return b;
}

// The byte of a character, or -1 when the code page has none.
int byteOfChar(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == c) return 0x80 + i;
    }
    return -1;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 character at text[i]; returns its length in bytes, or 0
// when the bytes there are not well-formed UTF-8 (overlong forms, surrogates
// and values above U+10FFFF included).
size_t decodeUtf8(std::string_view text, size_t i, char32_t& c)
{
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t lead = byte(i);
    size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - i < length) return 0;
    for (size_t k = 1; k < length; ++k) {
        const uint8_t cont = byte(i + k);
        if ((cont & 0xC0) != 0x80) return 0;
        c = (c << 6) | (cont & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::string Cp1252::fromUtf8(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t c = 0;
        const size_t length = decodeUtf8(utf8, i, c);
        if (length == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        const int b = byteOfChar(c);
        out += b < 0 ? kReplacement : static_cast<char>(b);
        i += length;
    }
    return out;
}

std::string Cp1252::toUtf8(std::string_view cp1252)
{
    std::string out;
    out.reserve(cp1252.size());
    for (char ch : cp1252) appendUtf8(out, charOfByte(static_cast<uint8_t>(ch)));
    return out;
}

}  // namespace kalvora
