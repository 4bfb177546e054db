#include "imaging/cGDIP.h"

#include <atomic>
#include <cctype>

namespace kalvora {

namespace {

std::atomic<int32_t> g_sessions{0};
std::atomic<uint32_t> g_nextToken{1};

std::string upperAscii(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string trimSpaces(const std::string& s)
{
    size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

cGDIP::cGDIP()
{
    m_token = g_nextToken.fetch_add(1);
    if (m_token == 0) m_token = g_nextToken.fetch_add(1);
    g_sessions.fetch_add(1);

    const auto& encoders = platform::imageEncoders();
    m_encoderCount = static_cast<int32_t>(encoders.size());
    m_encoders.resize(encoders.size());
    // Walked from the last encoder down, so the first encoder listing an
    // extension keeps it.
    for (int32_t i = m_encoderCount - 1; i >= 0; --i) {
        m_encoders[i] = encoders[i].clsid;
        const std::string& list = encoders[i].fileExtensions;
        size_t start = 0;
        while (start <= list.size()) {
            size_t end = list.find(';', start);
            if (end == std::string::npos) end = list.size();
            std::string token = trimSpaces(list.substr(start, end - start));
            if (!token.empty()) m_extensions[upperAscii(token)] = i;
            start = end + 1;
        }
    }
}

cGDIP::~cGDIP()
{
    if (m_token != 0) g_sessions.fetch_sub(1);
}

void cGDIP::Error(int32_t lGdiError, const std::string& sClassName)
{
    const std::string text = GetErrorText(lGdiError);
    // A handler may add or remove handlers; walk a copy.
    const auto handlers = m_handlers;
    for (const auto& entry : handlers) entry.second(lGdiError, text, sClassName);
}

int32_t cGDIP::ExtensionExists(const std::string& sKey) const
{
    auto it = m_extensions.find(upperAscii(sKey));
    return it == m_extensions.end() ? -1 : it->second;
}

bool cGDIP::GetEncoderClsid(const std::string& mimeType, platform::EncoderClsid& pClsid) const
{
    const std::string wanted = upperAscii(mimeType);
    for (const auto& encoder : platform::imageEncoders()) {
        if (upperAscii(encoder.mimeType) == wanted) {
            pClsid = encoder.clsid;
            return true;
        }
    }
    return false;
}

int cGDIP::AddGdipErrorHandler(GdipErrorHandler handler)
{
    const int id = m_nextHandlerId++;
    m_handlers.emplace_back(id, std::move(handler));
    return id;
}

void cGDIP::RemoveGdipErrorHandler(int id)
{
    for (auto it = m_handlers.begin(); it != m_handlers.end(); ++it) {
        if (it->first == id) {
            m_handlers.erase(it);
            return;
        }
    }
}

std::string cGDIP::GetErrorText(int32_t lGdiError)
{
    static const char* const texts[] = {
        "Generic Error",
        "Invalid Parameter",
        "Out Of Memory",
        "Object Busy",
        "Insufficient Buffer",
        "Not Implemented",
        "Win32 Error",
        "Wrong State",
        "Aborted",
        "File Not Found",
        "Value Overflow",
        "Access Denied",
        "Unknown Image Format",
        "FontFamily Not Found",
        "FontStyle Not Found",
        "Not TrueType Font",
        "Unsupported Gdiplus Version",
        "Gdiplus Not Initialized",
        "Property Not Found",
        "Property Not Supported",
    };
    if (lGdiError >= 1 && lGdiError <= 20) return texts[lGdiError - 1];
    return "Unknown GDI+ Error";
}

bool cGDIP::GetEncoderClsidByIndex(int32_t n, platform::EncoderClsid& clsid) const
{
    if (n < 0 || n >= m_encoderCount) return false;
    clsid = m_encoders[n];
    return true;
}

bool cGDIP::IIDFromString(const std::string& text, platform::EncoderClsid& out)
{
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}: 38 characters.
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
    if (text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-') return false;
    std::string hex;
    for (size_t i = 1; i < 37; ++i) {
        if (text[i] == '-') continue;
        if (hexValue(text[i]) < 0) return false;
        hex.push_back(text[i]);
    }
    uint8_t bytes[16];
    for (int i = 0; i < 16; ++i) bytes[i] = static_cast<uint8_t>(hexValue(hex[2 * i]) * 16 + hexValue(hex[2 * i + 1]));
    // The first three groups are stored little-endian, the last eight bytes as written.
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i) out[i] = bytes[order[i]];
    return true;
}

int32_t cGDIP::ActiveSessions() { return g_sessions.load(); }

}  // namespace kalvora
