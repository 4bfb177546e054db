#pragma once

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QString>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace kalvora::testing {

// Types names into an open file dialog's name box and presses Enter, as a
// user does. A name with a folder in it is pasted in one piece, since the
// dialog steps into a folder as soon as its "/" is typed. The dialog lists
// its folder in the background, and a listing that arrives while the user
// types empties the name box; the user then types again, and so does this,
// a few times at most.
inline void typeIntoFileDialog(QWidget* dialog, const QString& names)
{
    auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    // The name box follows the typing into the dialog's list (a file
    // selected there before is let go) only while it has the focus.
    dialog->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog, 5000));
    for (int attempt = 0; attempt < 20; ++attempt) {
        edit->setFocus();
        edit->selectAll();
        if (names.contains(QLatin1Char('/'))) {
            QGuiApplication::clipboard()->setText(names);
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        } else {
            QTest::keyClicks(edit, names);
        }
        QTest::keyClick(edit, Qt::Key_Return);
        // Accepted, or refused by the dialog itself with the name still there.
        if (!dialog->isVisible() || !edit->text().isEmpty()) return;
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

}  // namespace kalvora::testing
