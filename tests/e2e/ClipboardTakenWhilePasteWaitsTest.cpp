// The clipboard on a real X server: another program asks for a copied
// picture with one MULTIPLE request while its PNG is still being made, and a
// third one takes the clipboard while that paste waits. The program answers
// the request, lives on, and lets go of its picture once the paste is done.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>
#include <xcb/xcb.h>

#include "app/QtClipboardService.h"
#include "platform/Image.h"
#include "platform/PixelFormat.h"

namespace kalvora {
namespace {

// Another program on the same display: a connection and a window of its own.
class OtherProgram {
public:
    OtherProgram() : m_c(xcb_connect(nullptr, nullptr))
    {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
        m_window = xcb_generate_id(m_c);
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);
        xcb_flush(m_c);
    }
    ~OtherProgram() { xcb_disconnect(m_c); }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    xcb_atom_t atom(const char* name)
    {
        const auto cookie = xcb_intern_atom(m_c, 0, uint16_t(std::strlen(name)), name);
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(m_c, cookie, nullptr), &std::free);
        return reply ? reply->atom : XCB_NONE;
    }

    // Asks for the clipboard in the given targets with one MULTIPLE request,
    // each target into a property of its own.
    void askForAll(const std::vector<xcb_atom_t>& targets)
    {
        std::vector<xcb_atom_t> pairs;
        for (size_t i = 0; i < targets.size(); ++i) {
            pairs.push_back(targets[i]);
            pairs.push_back(atom(("KALVORA_TARGET_" + std::to_string(i)).c_str()));
        }
        m_pairs = pairs;
        m_answer.reset();
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, m_window, atom("KALVORA_PAIRS"), atom("ATOM_PAIR"), 32,
                            uint32_t(pairs.size()), pairs.data());
        xcb_convert_selection(m_c, m_window, atom("CLIPBOARD"), atom("MULTIPLE"), atom("KALVORA_PAIRS"),
                              XCB_CURRENT_TIME);
        xcb_flush(m_c);
    }

    void takeClipboard()
    {
        xcb_set_selection_owner(m_c, m_window, atom("CLIPBOARD"), XCB_CURRENT_TIME);
        xcb_flush(m_c);
    }

    // The property the answer to the request names, once it has come.
    std::optional<xcb_atom_t> answer()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_c)) {
            if ((event->response_type & 0x7F) == XCB_SELECTION_NOTIFY)
                m_answer = reinterpret_cast<xcb_selection_notify_event_t*>(event)->property;
            std::free(event);
        }
        return m_answer;
    }

    // The type of each target's property, or None where the answer refused
    // that target.
    std::vector<xcb_atom_t> answeredTypes()
    {
        std::vector<xcb_atom_t> types;
        for (size_t i = 0; i + 1 < m_pairs.size(); i += 2) {
            const auto cookie = xcb_get_property(m_c, 0, m_window, m_pairs[i + 1], XCB_GET_PROPERTY_TYPE_ANY, 0, 1);
            const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
                xcb_get_property_reply(m_c, cookie, nullptr), &std::free);
            types.push_back(reply ? reply->type : xcb_atom_t{XCB_NONE});
        }
        return types;
    }

private:
    xcb_connection_t* m_c;
    xcb_window_t m_window = 0;
    std::vector<xcb_atom_t> m_pairs;
    std::optional<xcb_atom_t> m_answer;
};

// An opaque picture of noise, whose PNG takes a while to make.
std::unique_ptr<platform::Image> noisePicture(int32_t width, int32_t height)
{
    std::unique_ptr<platform::Image> image;
    EXPECT_EQ(platform::Image::create(width, height, platform::kFormat32bppRGB, image), platform::Ok);
    std::mt19937 random(7);
    for (int32_t y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image->row(y));
        for (int32_t x = 0; x < width; ++x) row[x] = random();
    }
    return image;
}

TEST(ClipboardOnX11, AProgramTakingTheClipboardWhileAPasteOfSeveralTargetsWaitsIsSurvived)
{
    QtClipboardService clipboard;
    OtherProgram requester;
    OtherProgram taker;
    const xcb_atom_t png = requester.atom("image/png");
    const xcb_atom_t targets = requester.atom("TARGETS");
    const std::unique_ptr<platform::Image> picture = noisePicture(4096, 4096);
    for (const std::vector<xcb_atom_t>& asked :
         {std::vector{png, png}, std::vector{targets, png, targets}, std::vector{png, targets, png}}) {
        ASSERT_TRUE(clipboard.putImage(*picture));
        const QPointer<const QMimeData> offered = QGuiApplication::clipboard()->mimeData();
        ASSERT_TRUE(offered);
        // Both reach the program before it handles either: the paste waits
        // for the PNG, and the clipboard is taken meanwhile.
        requester.askForAll(asked);
        taker.takeClipboard();
        ASSERT_TRUE(QTest::qWaitFor([&] { return requester.answer().has_value(); }, 60000));
        EXPECT_EQ(*requester.answer(), requester.atom("KALVORA_PAIRS"));
        for (const xcb_atom_t type : requester.answeredTypes())
            EXPECT_TRUE(type == requester.atom("INCR") || type == png || type == XCB_ATOM_ATOM) << type;
        EXPECT_TRUE(QTest::qWaitFor([&] { return offered.isNull(); }, 10000));
        EXPECT_FALSE(QGuiApplication::clipboard()->ownsClipboard());
    }
}

}  // namespace
}  // namespace kalvora
