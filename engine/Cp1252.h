#pragma once

#include <string>
#include <string_view>

namespace kalvora {

// Texts in project files are one byte per character in the Windows-1252 code
// page; the program keeps texts as UTF-8. The five bytes the code page leaves
// undefined (81, 8D, 8F, 90, 9D) stand for the control characters of the same
// number, so every byte sequence survives a round trip through UTF-8.
class Cp1252 {
public:
    // UTF-8 to Windows-1252. A character the code page cannot hold, and each
    // byte of malformed UTF-8, becomes "?".
    static std::string fromUtf8(std::string_view utf8);

    // Windows-1252 to UTF-8; never fails.
    static std::string toUtf8(std::string_view cp1252);
};

}  // namespace kalvora
