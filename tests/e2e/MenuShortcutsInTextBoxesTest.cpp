// The main window's menu shortcuts on a real X server (the xcb platform,
// whose key scheme lets text boxes claim keys such as Ctrl+E for
// themselves): with the focus in a text box of the settings or the output
// panel, every menu shortcut that is not a standard editing key does its
// command, and Ctrl+C and Ctrl+X copy and cut the box's text.

#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <map>

#include "app/InfoDialog.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/MenuClicks.h"
#include "tests/support/ModalDialogAnswerer.h"

namespace kalvora {
namespace {

using testing::ModalDialogAnswerer;

bool isEditingKey(const QKeySequence& shortcut)
{
    for (QKeySequence::StandardKey key : {QKeySequence::Cut, QKeySequence::Copy, QKeySequence::Paste,
                                          QKeySequence::Undo, QKeySequence::Redo, QKeySequence::SelectAll})
        if (QKeySequence::keyBindings(key).contains(shortcut)) return true;
    return false;
}

struct ShortcutFixture : testing::AppFixture {
    // How often each menu item with a shortcut was triggered, by name.
    std::map<QString, int> triggered;
    std::vector<QAction*> shortcutItems;

    ShortcutFixture()
    {
        for (QAction* item : window.menuBar()->findChildren<QAction*>()) {
            if (item->shortcut().isEmpty()) continue;
            shortcutItems.push_back(item);
            triggered[item->objectName()] = 0;
            QObject::connect(item, &QAction::triggered, [this, name = item->objectName()] { ++triggered[name]; });
        }
    }

    // The box focused in the active main window.
    QWidget* focus(const char* name)
    {
        auto* box = window.findChild<QWidget*>(name);
        EXPECT_NE(box, nullptr) << name;
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == &window; }, 5000));
        box->setFocus();
        EXPECT_TRUE(QTest::qWaitFor([box] { return box->hasFocus(); }, 5000)) << name;
        return box;
    }

    // Presses the item's shortcut in the box, answering the dialog it opens.
    void press(QWidget* box, const QAction* item)
    {
        const QKeyCombination key = item->shortcut()[0];
        const QString name = item->objectName();
        if (name == "OpenFileMenu" || name == "SaveFileMenu") {
            ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"),
                                       [](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); });
            QTest::keyClick(box, key.key(), key.keyboardModifiers());
        } else if (name == "EditImageMenu") {
            ModalDialogAnswerer answer(QStringLiteral("PreviewDialog"), [](QWidget* d) {
                EXPECT_EQ(d->windowTitle(), "Output Brick Texture");
                testing::clickMenuPath(d->findChild<QMenuBar*>("MenuBar"), {"FileMenu", "CloseFile"});
            });
            QTest::keyClick(box, key.key(), key.keyboardModifiers());
        } else {
            QTest::keyClick(box, key.key(), key.keyboardModifiers());
        }
        if (name == "ViewInfoMenu") {
            EXPECT_TRUE(InfoDialog::instance().isVisible());
            InfoDialog::instance().close();
        }
    }
};

TEST(MenuShortcutsInTextBoxes, EveryShortcutButTheEditingKeysDoesItsCommand)
{
    ShortcutFixture f;
    ASSERT_EQ(f.shortcutItems.size(), 18u);
    for (const char* boxName : {"NameText", "PreviewWidthText", "DescriptionText"}) {
        for (QAction* item : f.shortcutItems) {
            if (isEditingKey(item->shortcut())) continue;
            const QString name = item->objectName();
            const int before = f.triggered[name];
            f.press(f.focus(boxName), item);
            EXPECT_EQ(f.triggered[name], before + 1) << boxName << ": " << name.toStdString() << " ("
                                                    << item->shortcut().toString().toStdString() << ")";
        }
    }
    EXPECT_EQ(f.services.desktop.opened.size(), 9u);
}

TEST(MenuShortcutsInTextBoxes, CtrlCAndCtrlXCopyAndCutTheText)
{
    ShortcutFixture f;
    QWidget* box = f.focus("NameText");
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Untitled");
    EXPECT_EQ(f.triggered["CopyToClipboardMenu"], 0);
    EXPECT_EQ(f.services.clipboard.held, nullptr);

    auto* size = qobject_cast<QLineEdit*>(f.focus("PreviewWidthText"));
    const QString shown = size->text();
    QTest::keyClick(size, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(size, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), shown);
    EXPECT_EQ(size->text(), "");
    EXPECT_EQ(f.triggered["ExportImageMenu"], 0);
}

}  // namespace
}  // namespace kalvora
