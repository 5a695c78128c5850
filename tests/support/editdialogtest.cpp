#include "editdialogtest.h"

#include "support/modal.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QTest>

EditDialogTest::EditDialogTest(Names names)
    : m_names(std::move(names))
{}

bool EditDialogTest::edit(const MainWindowDriver &viewer,
                          int row,
                          const std::function<void(QDialog *)> &handle) const
{
    viewer.selectRow(row);
    return viewer.press(m_names.button, m_names.dialog, handle);
}

void EditDialogTest::closeWithoutSave(QDialog *dialog, QWidget *box, const QString &how)
{
    if (how == QLatin1String("cancel")) {
        QTest::mouseClick(button(dialog, "cmdCancel"), Qt::LeftButton);
    } else if (how == QLatin1String("escape")) {
        QTest::keyClick(box, Qt::Key_Escape);
    } else if (how == QLatin1String("enter")) {
        if (auto *combo = qobject_cast<QComboBox *>(box))
            QVERIFY(!combo->view()->isVisible());
        QTest::keyClick(box, Qt::Key_Return);
    } else {
        dialog->close();
    }
    QVERIFY(!dialog->isVisible());
}

bool EditDialogTest::saveRefused(const MainWindowDriver &viewer,
                                 QDialog *dialog,
                                 const QString &boxName,
                                 ShownMessage &message)
{
    viewer.expectMessage(boxName, message);
    QTest::mouseClick(button(dialog, "cmdSave"), Qt::LeftButton);
    return Modal::allHandled() && dialog->isVisible();
}

void EditDialogTest::cleanup()
{
    QVERIFY(Modal::allHandled());
    m_files.reset();
}

void EditDialogTest::refusesWithoutSelection_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("button") << m_names.button;
    QTest::newRow("menu item") << m_names.menuItem;
}

void EditDialogTest::refusesWithoutSelection()
{
    QFETCH(QString, command);
    const QByteArray before = m_files->read(m_names.written);
    MainWindowDriver viewer(romPath());
    const ShownMessage message = viewer.refusal(command);
    QCOMPARE(message.objectName, QStringLiteral("MsgBox"));
    QCOMPARE(message.text, QStringLiteral("Please select a line."));
    QVERIFY(message.critical());
    QVERIFY(!message.busyPointer);
    QCOMPARE(m_files->read(m_names.written), before);
}

void EditDialogTest::busyPointerWhileOpen()
{
    // The main window shows the busy pointer while the dialog is open, the arrow once it closes.
    MainWindowDriver viewer(romPath());
    viewer.selectRow(1);
    Qt::CursorShape whileOpen = Qt::ArrowCursor;
    QVERIFY(viewer.press(m_names.menuItem, m_names.dialog, [&](QDialog *) {
        whileOpen = viewer.window().cursor().shape();
    }));
    QCOMPARE(whileOpen, Qt::WaitCursor);
    QCOMPARE(viewer.window().cursor().shape(), Qt::ArrowCursor);
}

void EditDialogTest::closingWritesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel") << QStringLiteral("cancel");
    QTest::newRow("Escape") << QStringLiteral("escape");
    QTest::newRow("Enter in a box") << QStringLiteral("enter");
    QTest::newRow("close control") << QStringLiteral("close");
}
