#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/Services.h"

namespace kalvora::testing {

// Records every message box and answers from a queue (default: OK).
class FakeMessageBox : public platform::MessageBoxService {
public:
    struct Shown {
        std::string text;
        std::string title;
        int style;
    };
    int show(const std::string& text, const std::string& title, int style) override
    {
        shown.push_back({text, title, style});
        if (answers.empty()) return platform::AnswerOk;
        int a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<Shown> shown;
    std::deque<int> answers;
};

class FakeCursor : public platform::CursorService {
public:
    void setBusy() override { calls.push_back("busy"); }
    void setNormal() override { calls.push_back("normal"); }
    std::vector<std::string> calls;
};

// Holds one image; putImage stores an opaque copy (alpha dropped).
class FakeClipboard : public platform::ClipboardService {
public:
    bool putImage(const platform::Image& image) override
    {
        std::unique_ptr<platform::Image> copy;
        if (image.cloneArea(image.width(), image.height(), platform::kFormat24bppRGB, copy) != platform::Ok)
            return false;
        held = std::move(copy);
        return true;
    }
    bool hasImage() override { return held != nullptr; }
    platform::Status getImage(std::unique_ptr<platform::Image>& out) override
    {
        if (!held) return platform::GenericError;
        return held->cloneArea(held->width(), held->height(), platform::kFormat32bppRGB, out);
    }
    std::unique_ptr<platform::Image> held;
};

class FakeDesktop : public platform::DesktopService {
public:
    bool open(const std::string& what) override
    {
        opened.push_back(what);
        return true;
    }
    std::vector<std::string> opened;
};

// Installs all four fakes for the lifetime of the object.
class ScopedFakeServices {
public:
    ScopedFakeServices()
    {
        platform::Services::install(&messageBox);
        platform::Services::install(&cursor);
        platform::Services::install(&clipboard);
        platform::Services::install(&desktop);
    }
    ~ScopedFakeServices()
    {
        platform::Services::install(static_cast<platform::MessageBoxService*>(nullptr));
        platform::Services::install(static_cast<platform::CursorService*>(nullptr));
        platform::Services::install(static_cast<platform::ClipboardService*>(nullptr));
        platform::Services::install(static_cast<platform::DesktopService*>(nullptr));
    }
    FakeMessageBox messageBox;
    FakeCursor cursor;
    FakeClipboard clipboard;
    FakeDesktop desktop;
};

}  // namespace kalvora::testing
