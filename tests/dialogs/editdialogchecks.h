#pragma once

#include "support/mainwindowdriver.h"
#include "support/modal.h"

#include <QDialog>
#include <QPushButton>
#include <QTest>

// What the two line-edit dialogs, dlgHEX and dlgKEL, have in common to check: how their
// commands refuse without a selected line, the busy pointer while they are open, and a Save
// they refuse.
namespace EditDialogChecks {

// The two ways to give an edit command: its button and its menu item.
inline void commandRows(const QString &button, const QString &menuItem)
{
    QTest::addColumn<QString>("command");
    QTest::newRow("button") << button;
    QTest::newRow("menu item") << menuItem;
}

// What an edit command shows instead of its dialog while no line is selected.
inline void verifyPleaseSelectALine(const ShownMessage &message)
{
    QCOMPARE(message.objectName, QStringLiteral("MsgBox"));
    QCOMPARE(message.text, QStringLiteral("Please select a line."));
    QVERIFY(message.critical());
    QVERIFY(!message.busyPointer);
}

// The main window shows the busy pointer while the dialog is open, and the arrow once it closes.
inline void verifyBusyPointerWhileOpen(const QString &romPath,
                                       const QString &menuItem,
                                       const QString &dialogName)
{
    MainWindowDriver viewer(romPath);
    viewer.selectRow(1);
    Qt::CursorShape whileOpen = Qt::ArrowCursor;
    QVERIFY(viewer.press(menuItem, dialogName, [&](QDialog *) {
        whileOpen = viewer.window().cursor().shape();
    }));
    QCOMPARE(whileOpen, Qt::WaitCursor);
    QCOMPARE(viewer.window().cursor().shape(), Qt::ArrowCursor);
}

// Clicks Save, which is to refuse with the message box called boxName, and records the box.
// Returns whether the box showed and the dialog stayed open.
[[nodiscard]] inline bool saveRefused(const MainWindowDriver &viewer,
                                      QDialog *dialog,
                                      const QString &boxName,
                                      ShownMessage &message)
{
    viewer.expectMessage(boxName, message);
    QTest::mouseClick(button(dialog, "cmdSave"), Qt::LeftButton);
    return Modal::allHandled() && dialog->isVisible();
}

} // namespace EditDialogChecks
