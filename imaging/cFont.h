#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "imaging/cGDIP.h"
#include "platform/Status.h"

namespace kalvora {

// A font description: family name, size in points and style flags
// (1 bold, 2 italic, 4 underline, 8 strikeout). Nothing draws text with it.
class cFont {
public:
    // Session that receives failures; may be empty.
    std::shared_ptr<cGDIP> gdip;

    static constexpr int32_t kStyleBold = 1;
    static constexpr int32_t kStyleItalic = 2;
    static constexpr int32_t kStyleUnderline = 4;
    static constexpr int32_t kStyleStrikeout = 8;
    static constexpr int32_t kUnitPoint = 3;

    // Makes the font from a font's properties; an empty name gives
    // FontFamilyNotFound, a size not above 0 InvalidParameter.
    platform::Status CreateFromFont(const std::string& name, float sizeInPoints, bool bold, bool italic,
                                    bool underline, bool strikeOut);
    // Device contexts do not exist here: NotImplemented.
    platform::Status CreateFromHdc(intptr_t lHdc);
    void Dispose();

    bool Bold() const { return (m_style & kStyleBold) != 0; }
    // Non-zero while a font is made.
    intptr_t Handle() const { return m_handle; }
    // Em height in pixels at 96 dots per inch.
    float Height() const;
    bool Italic() const { return (m_style & kStyleItalic) != 0; }
    const std::string& Name() const { return m_name; }
    float Size() const { return m_size; }
    bool StrikeOut() const { return (m_style & kStyleStrikeout) != 0; }
    int32_t Style() const { return m_style; }
    bool Underline() const { return (m_style & kStyleUnderline) != 0; }
    int32_t Unit() const { return m_handle != 0 ? kUnitPoint : 0; }

private:
    platform::Status record(platform::Status status);

    intptr_t m_handle = 0;
    std::string m_name;
    float m_size = 0;
    int32_t m_style = 0;
};

}  // namespace kalvora
