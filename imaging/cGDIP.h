#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Status.h"
#include "platform/codecs/Codecs.h"

namespace kalvora {

// One imaging session. Sessions nest: the imaging layer counts as started
// while at least one session lives. A session also turns status codes into
// fixed English texts, raises them as the GdipError event, and finds image
// encoders by MIME type or file-name extension pattern.
class cGDIP {
public:
    // GdipError(lGdiError, sErrorDesc, sClassName)
    using GdipErrorHandler =
        std::function<void(int32_t lGdiError, const std::string& sErrorDesc, const std::string& sClassName)>;

    cGDIP();
    ~cGDIP();
    cGDIP(const cGDIP&) = delete;
    cGDIP& operator=(const cGDIP&) = delete;

    // Raises GdipError with the status, its text and the class name.
    void Error(int32_t lGdiError, const std::string& sClassName);

    // Encoder index stored for an extension pattern such as "*.PNG" (case
    // ignored), or -1 when no encoder lists it.
    int32_t ExtensionExists(const std::string& sKey) const;

    // Class identifier of the encoder with that MIME type (case ignored).
    // False leaves pClsid untouched.
    bool GetEncoderClsid(const std::string& mimeType, platform::EncoderClsid& pClsid) const;

    // Observers of the GdipError event; the id removes the observer again.
    int AddGdipErrorHandler(GdipErrorHandler handler);
    void RemoveGdipErrorHandler(int id);

    // The fixed text of a status; any value outside 1..20 gives "Unknown GDI+ Error".
    static std::string GetErrorText(int32_t lGdiError);

    // Session token (0 when the start failed) and the encoder table built at start.
    uint32_t Token() const { return m_token; }
    int32_t EncoderCount() const { return m_encoderCount; }
    // The stored class identifier of encoder n; false when n is outside the table.
    bool GetEncoderClsidByIndex(int32_t n, platform::EncoderClsid& clsid) const;

    // Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" into its 16 bytes in
    // the platform's memory layout (first three groups little-endian).
    static bool IIDFromString(const std::string& text, platform::EncoderClsid& out);

    // Number of sessions alive in the process.
    static int32_t ActiveSessions();

private:
    uint32_t m_token = 0;
    int32_t m_encoderCount = 0;
    std::vector<platform::EncoderClsid> m_encoders;
    std::map<std::string, int32_t> m_extensions;  // keys upper-cased
    std::vector<std::pair<int, GdipErrorHandler>> m_handlers;
    int m_nextHandlerId = 1;
};

}  // namespace kalvora
