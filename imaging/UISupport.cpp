#include "imaging/UISupport.h"

#include <limits>
#include <vector>

namespace kalvora::UISupport {

namespace {

bool isContinuationByte(unsigned char c) { return (c & 0xC0u) == 0x80u; }

// Byte offsets at which the characters of a UTF-8 text start. A stray
// continuation byte stays with the character before it, so a cut never
// falls inside a character.
std::vector<size_t> characterStarts(const std::string& text)
{
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == 0 || !isContinuationByte(static_cast<unsigned char>(text[i]))) starts.push_back(i);
    }
    return starts;
}

}  // namespace

int32_t Pow10(int32_t base, int32_t n)
{
    int64_t result = 1;
    for (int32_t i = 0; i < n; ++i) {
        result *= base;
        if (result > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
        if (result < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(result);
}

int32_t BoolToCheckValue(bool flag)
{
    return flag ? 1 : 0;
}

float MapRange(float value, float inMin, float inMax, float outMin, float outMax)
{
    const float inSpan = inMax - inMin;
    if (inSpan == 0.0f) return outMin;
    const double scaled = (static_cast<double>(value) - static_cast<double>(inMin)) / static_cast<double>(inSpan);
    const double outSpan = static_cast<double>(outMax) - static_cast<double>(outMin);
    return static_cast<float>(scaled * outSpan + static_cast<double>(outMin));
}

std::string ShortenText(const std::string& text, int32_t maxLen)
{
    const std::vector<size_t> starts = characterStarts(text);
    const int64_t length = static_cast<int64_t>(starts.size());
    if (maxLen < 0) maxLen = 0;
    if (length <= maxLen) return text;
    if (maxLen < 3) return std::string(static_cast<size_t>(maxLen), '.');

    const size_t keep = static_cast<size_t>(maxLen - 3);
    if (keep == 0) return "...";
    return "..." + text.substr(starts[starts.size() - keep]);
}

std::string FileTitleFromPath(const std::string& path)
{
    const size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos) return path;
    return path.substr(cut + 1);
}

}  // namespace kalvora::UISupport
