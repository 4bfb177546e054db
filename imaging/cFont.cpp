#include "imaging/cFont.h"

#include <atomic>
#include <cmath>

namespace kalvora {

using platform::Status;

namespace {
std::atomic<intptr_t> g_nextFont{1};
}

Status cFont::record(Status status)
{
    if (status != platform::Ok && gdip) gdip->Error(status, "cFont");
    return status;
}

Status cFont::CreateFromFont(const std::string& name, float sizeInPoints, bool bold, bool italic, bool underline,
                             bool strikeOut)
{
    if (name.empty()) return record(platform::FontFamilyNotFound);
    if (!(sizeInPoints > 0.0f) || !std::isfinite(sizeInPoints)) return record(platform::InvalidParameter);
    m_name = name;
    m_size = sizeInPoints;
    m_style = (bold ? kStyleBold : 0) | (italic ? kStyleItalic : 0) | (underline ? kStyleUnderline : 0) |
              (strikeOut ? kStyleStrikeout : 0);
    m_handle = g_nextFont.fetch_add(1);
    return record(platform::Ok);
}

Status cFont::CreateFromHdc(intptr_t /*lHdc*/) { return record(platform::NotImplemented); }

void cFont::Dispose()
{
    m_handle = 0;
    m_name.clear();
    m_size = 0;
    m_style = 0;
}

float cFont::Height() const
{
    // Points are 1/72 inch.
    return m_size * 96.0f / 72.0f;
}

}  // namespace kalvora
