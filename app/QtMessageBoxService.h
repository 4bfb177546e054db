#pragma once

#include "platform/Services.h"

namespace kalvora {

// Message boxes as QMessageBox: the style is a button set (0 OK, 1 OK and
// Cancel, 3 Yes, No and Cancel, 4 Yes and No) plus an icon (16 stop, 32
// question, 48 exclamation, 64 information); the answer is 1 OK, 2 Cancel,
// 6 Yes or 7 No. Esc and the close box answer Cancel, No when there is no
// Cancel button, and OK for a box with only OK.
class QtMessageBoxService : public platform::MessageBoxService {
public:
    int show(const std::string& text, const std::string& title, int style) override;
};

}  // namespace kalvora
