#pragma once

#include <memory>
#include <string>

#include "platform/Image.h"

namespace kalvora::platform {

// Message box answers and style numbers: the style is the sum of a button
// set and an icon.
enum MessageBoxAnswer : int { AnswerOk = 1, AnswerCancel = 2, AnswerYes = 6, AnswerNo = 7 };
enum MessageBoxStyle : int {
    ButtonsOk = 0,
    ButtonsOkCancel = 1,
    ButtonsYesNoCancel = 3,
    ButtonsYesNo = 4,
    IconStop = 16,
    IconQuestion = 32,
    IconExclamation = 48,
    IconInformation = 64,
};

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // Shows the message and returns the answer (1 OK, 2 Cancel, 6 Yes, 7 No).
    virtual int show(const std::string& text, const std::string& title, int style) = 0;
};

class CursorService {
public:
    virtual ~CursorService() = default;
    virtual void setBusy() = 0;
    virtual void setNormal() = 0;
};

class ClipboardService {
public:
    virtual ~ClipboardService() = default;
    // Puts the image on the clipboard as a plain bitmap without alpha.
    virtual bool putImage(const Image& image) = 0;
    // True when the clipboard holds an image.
    virtual bool hasImage() = 0;
    // The clipboard's image as a new 32bpp image; a status when there is none.
    virtual Status getImage(std::unique_ptr<Image>& out) = 0;
};

class DesktopService {
public:
    virtual ~DesktopService() = default;
    // Opens a web address or a file with the desktop's default program.
    virtual bool open(const std::string& addressOrPath) = 0;
};

// The services in use. Until the application installs its own, headless
// stand-ins answer: message boxes print to stderr and answer with the
// button set's first button, the cursor does nothing, the clipboard is empty
// and refuses images, and nothing is opened. The installer keeps ownership.
class Services {
public:
    static MessageBoxService& messageBox();
    static CursorService& cursor();
    static ClipboardService& clipboard();
    static DesktopService& desktop();

    // nullptr puts the headless stand-in back.
    static void install(MessageBoxService* service);
    static void install(CursorService* service);
    static void install(ClipboardService* service);
    static void install(DesktopService* service);
};

}  // namespace kalvora::platform
