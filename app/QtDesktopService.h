#pragma once

#include "platform/Services.h"

namespace kalvora {

// Opens web addresses and files with the desktop's default programs: a text
// that starts with a URL scheme ("https:", "mailto:", "file:") is taken as
// that URL, anything else as a local path.
class QtDesktopService : public platform::DesktopService {
public:
    bool open(const std::string& addressOrPath) override;
};

}  // namespace kalvora
