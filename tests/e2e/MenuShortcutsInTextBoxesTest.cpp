// The main window's menu shortcuts on a real X server, whose key scheme lets
// text boxes claim keys such as Ctrl+E: from a text box of the settings or
// the output panel every menu shortcut but the editing keys does its command,
// and Ctrl+C copies the box's text.

#include <QClipboard>
#include <QMenuBar>
#include <QSignalSpy>
#include <optional>

#include "app/InfoDialog.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/ModalDialogAnswerer.h"

namespace kalvora {
namespace {

TEST(MenuShortcutsInTextBoxes, EveryShortcutButTheEditingKeysDoesItsCommand)
{
    testing::AppFixture f;
    const auto focus = [&f](const char* name) {
        auto* box = f.window.findChild<QWidget*>(name);
        f.window.activateWindow();
        EXPECT_TRUE(QTest::qWaitFor([&f] { return QApplication::activeWindow() == &f.window; }, 5000));
        box->setFocus();
        EXPECT_TRUE(box->hasFocus()) << name;
        return box;
    };
    for (const char* box : {"NameText", "PreviewWidthText", "DescriptionText"})
        for (QAction* item : f.window.menuBar()->findChildren<QAction*>()) {
            const QKeySequence keys = item->shortcut();
            if (keys.isEmpty() || QKeySequence::keyBindings(QKeySequence::Cut).contains(keys) ||
                QKeySequence::keyBindings(QKeySequence::Copy).contains(keys))
                continue;
            const QString name = item->objectName();
            // The file dialogs and the editor, closed by their close box.
            std::optional<testing::ModalDialogAnswerer> answer;
            if (name == "OpenFileMenu" || name == "SaveFileMenu" || name == "EditImageMenu")
                answer.emplace([](QWidget*) { return true; }, name,
                               std::vector<testing::ModalDialogAnswerer::Answer>{[](QWidget* d) { d->close(); }});
            QSignalSpy done(item, &QAction::triggered);
            QTest::keyClick(focus(box), keys[0].key(), keys[0].keyboardModifiers());
            EXPECT_EQ(done.count(), 1) << box << ": " << keys.toString().toStdString();
            if (name == "ViewInfoMenu") InfoDialog::instance().close();
        }

    QWidget* name = focus("NameText");
    QSignalSpy imageCopies(f.window.menuBar()->findChild<QAction*>("CopyToClipboardMenu"), &QAction::triggered);
    QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(name, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Untitled");
    EXPECT_EQ(imageCopies.count(), 0);
}

}  // namespace
}  // namespace kalvora
