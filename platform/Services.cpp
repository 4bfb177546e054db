#include "platform/Services.h"

#include <cstdio>

namespace kalvora::platform {

namespace {

class HeadlessMessageBox : public MessageBoxService {
public:
    int show(const std::string& text, const std::string& title, int style) override
    {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
        int buttons = style & 7;
        if (buttons == ButtonsYesNoCancel || buttons == ButtonsYesNo) return AnswerYes;
        return AnswerOk;
    }
};

class HeadlessCursor : public CursorService {
public:
    void setBusy() override {}
    void setNormal() override {}
};

class HeadlessClipboard : public ClipboardService {
public:
    bool putImage(const Image&) override { return false; }
    bool hasImage() override { return false; }
    Status getImage(std::unique_ptr<Image>&) override { return GenericError; }
};

class HeadlessDesktop : public DesktopService {
public:
    bool open(const std::string&) override { return false; }
};

HeadlessMessageBox g_headlessMessageBox;
HeadlessCursor g_headlessCursor;
HeadlessClipboard g_headlessClipboard;
HeadlessDesktop g_headlessDesktop;

MessageBoxService* g_messageBox = &g_headlessMessageBox;
CursorService* g_cursor = &g_headlessCursor;
ClipboardService* g_clipboard = &g_headlessClipboard;
DesktopService* g_desktop = &g_headlessDesktop;

}  // namespace

MessageBoxService& Services::messageBox() { return *g_messageBox; }
CursorService& Services::cursor() { return *g_cursor; }
ClipboardService& Services::clipboard() { return *g_clipboard; }
DesktopService& Services::desktop() { return *g_desktop; }

void Services::install(MessageBoxService* s) { g_messageBox = s ? s : &g_headlessMessageBox; }
void Services::install(CursorService* s) { g_cursor = s ? s : &g_headlessCursor; }
void Services::install(ClipboardService* s) { g_clipboard = s ? s : &g_headlessClipboard; }
void Services::install(DesktopService* s) { g_desktop = s ? s : &g_headlessDesktop; }

}  // namespace kalvora::platform
