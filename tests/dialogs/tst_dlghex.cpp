#include "support/editdialogtest.h"
#include "support/mainwindowdriver.h"
#include "support/modal.h"
#include "support/romdata.h"
#include "support/tempfiles.h"
#include "support/unprivileged.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <map>
#include <memory>

using Choices = std::map<int, int>; // box index -> byte value

namespace {

constexpr qsizetype RomSize = 512;

QComboBox *box(QDialog *dialog, int i)
{
    return dialog->findChild<QComboBox *>(QStringLiteral("Combo1_%1").arg(i));
}

// Picks an entry as a user does: opens the box's list and clicks the entry.
void chooseEntry(QComboBox *combo, int value)
{
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    const QModelIndex index = combo->model()->index(value, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

// Replaces a box's text by typing, as a user who selects all and types over it.
void typeInto(QComboBox *combo, const QString &text)
{
    combo->setFocus();
    combo->lineEdit()->selectAll();
    QTest::keyClick(combo, Qt::Key_Backspace);
    QTest::keyClicks(combo, text);
}

} // namespace

class tst_dlgHEX : public EditDialogTest
{
    Q_OBJECT

public:
    tst_dlgHEX()
        : EditDialogTest({QStringLiteral("cmd1"),
                          QStringLiteral("mnuLine"),
                          QStringLiteral("dlgHEX"),
                          QStringLiteral("game.smc")})
    {}

private slots:
    void init();

    void layout();
    void focusOrder();
    void entries();
    void saveWithoutChangeKeepsFile();
    void saveWritesChosenValues_data();
    void saveWritesChosenValues();
    void closingWritesNothing();
    void savesWhereTheLineStands_data();
    void savesWhereTheLineStands();
    void typedValues_data();
    void typedValues();
    void refusesTextThatNamesNoValue_data();
    void refusesTextThatNamesNoValue();
    void reportsRomThatIsGone_data();
    void reportsRomThatIsGone();
    void reportsReadOnlyRom();
    void tableKeptAcrossOpenings();

private:
    QByteArray rom() const { return m_files->read(QStringLiteral("game.smc")); }

    QByteArray m_rom;
};

void tst_dlgHEX::init()
{
    m_files = std::make_unique<TempFiles>();
    m_rom = TempFiles::pattern(RomSize);
    m_files->write(QStringLiteral("game.smc"), m_rom);
    QList<QByteArray> table(0x42);
    table[0x20 - 1] = " ";
    table[0x41 - 1] = "A";
    table[0x42 - 1] = "Bee";
    m_files->write(QStringLiteral("game.kel"), RomData::tableFile(table));
}

void tst_dlgHEX::layout()
{
    MainWindowDriver viewer(romPath());
    QVERIFY(edit(viewer, 3, [&](QDialog *dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Edit HEX"));
        QCOMPARE(dialog->size(), QSize(393, 249));
        for (int i = 0; i < 16; ++i) {
            const int left = i < 8 ? 0 : 192;
            const int top = 8 + 24 * (i % 8);
            auto *label = dialog->findChild<QLabel *>(QStringLiteral("Label1_%1").arg(i));
            QVERIFY(label);
            QCOMPARE(label->geometry(), QRect(8 + left, top, 25, 17));
            QCOMPARE(label->text(),
                     QStringLiteral("%1:").arg(0x30 + i, 2, 16, QLatin1Char('0')).toUpper());
            QCOMPARE(label->font().family(), QStringLiteral("Courier New"));
            QVERIFY(label->font().bold());
            QCOMPARE(label->font().pointSizeF(), 12.0);

            QComboBox *combo = box(dialog, i);
            QVERIFY(combo);
            QCOMPARE(combo->geometry(), QRect(40 + left, top, 153, 24));
            QVERIFY(combo->isEditable());
            QCOMPARE(combo->count(), 256);
            QCOMPARE(combo->currentIndex(), 0x30 + i);
            QCOMPARE(combo->font().family(), QStringLiteral("Courier New"));
            QVERIFY(combo->font().bold());
            QCOMPARE(combo->font().pointSizeF(), 9.75);
        }
        QCOMPARE(button(dialog, "cmdSave")->geometry(), QRect(176, 208, 97, 33));
        QCOMPARE(button(dialog, "cmdSave")->text(), QStringLiteral("Save"));
        QCOMPARE(button(dialog, "cmdCancel")->geometry(), QRect(288, 208, 97, 33));
        QCOMPARE(button(dialog, "cmdCancel")->text(), QStringLiteral("Cancel"));
        // A focused button takes Enter itself; from anywhere else Enter goes to Cancel.
        box(dialog, 0)->setFocus();
        QVERIFY(button(dialog, "cmdCancel")->isDefault());
        QVERIFY(!button(dialog, "cmdSave")->isDefault());
    }));
}

void tst_dlgHEX::focusOrder()
{
    MainWindowDriver viewer(romPath());
    QVERIFY(edit(viewer, 0, [&](QDialog *dialog) {
        QCOMPARE(QApplication::focusWidget(), button(dialog, "cmdSave"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), button(dialog, "cmdCancel"));
        for (int i = 0; i < 16; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), box(dialog, i));
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), button(dialog, "cmdSave"));
    }));
}

void tst_dlgHEX::entries()
{
    MainWindowDriver viewer(romPath());
    QVERIFY(edit(viewer, 0, [&](QDialog *dialog) {
        QComboBox *first = box(dialog, 0);
        QCOMPARE(first->currentText(), QStringLiteral("00: \u00A5"));
        QCOMPARE(first->itemText(0x41), QStringLiteral("41: A"));
        QCOMPARE(first->itemText(0x42), QStringLiteral("42: Bee"));
        QCOMPARE(first->itemText(0x20), QStringLiteral("20:  "));
        // An empty translation leaves the digits, the colon and the blank.
        QCOMPARE(first->itemText(0x43), QStringLiteral("43: "));
        QCOMPARE(first->itemText(0xFF), QStringLiteral("FF: "));
        for (int i = 1; i < 16; ++i) {
            QCOMPARE(box(dialog, i)->currentIndex(), i);
            QCOMPARE(box(dialog, i)->itemText(0x41), QStringLiteral("41: A"));
        }
    }));
}

void tst_dlgHEX::saveWithoutChangeKeepsFile()
{
    MainWindowDriver viewer(romPath());
    QVERIFY(edit(viewer, 5, [&](QDialog *dialog) {
        QTest::mouseClick(button(dialog, "cmdSave"), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    }));
    QCOMPARE(rom(), m_rom);
    QVERIFY(!viewer.anyRowSelected());
}

void tst_dlgHEX::saveWritesChosenValues_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<Choices>("choices");
    QTest::newRow("FF in box 5") << 3 << Choices{{5, 0xFF}};
    QTest::newRow("one value in several boxes") << 2 << Choices{{1, 0x41}, {7, 0x41}, {12, 0x41}};
    QTest::newRow("00 in the last box") << 13 << Choices{{15, 0x00}};
    QTest::newRow("the first box") << 0 << Choices{{0, 0x80}};
}

void tst_dlgHEX::saveWritesChosenValues()
{
    QFETCH(int, row);
    QFETCH(Choices, choices);
    MainWindowDriver viewer(romPath());
    viewer.selectRow(row);
    const int offset = 16 * row;
    QCOMPARE(viewer.topOffset(), QString::number(offset));
    QVERIFY(viewer.press(QStringLiteral("cmd1"), QStringLiteral("dlgHEX"), [&](QDialog *dialog) {
        for (const auto &[i, value] : choices) {
            chooseEntry(box(dialog, i), value);
            QCOMPARE(box(dialog, i)->currentIndex(), value);
        }
        // The labels keep the old values.
        QCOMPARE(dialog
                     ->findChild<QLabel *>(QStringLiteral("Label1_%1").arg(choices.begin()->first))
                     ->text()
                     .left(2),
                 QString::fromLatin1(
                     m_rom.mid(offset + choices.begin()->first, 1).toHex().toUpper()));
        QTest::mouseClick(button(dialog, "cmdSave"), Qt::LeftButton);
    }));
    QByteArray expected = m_rom;
    for (const auto &[i, value] : choices)
        expected[offset + i] = static_cast<char>(value);
    QCOMPARE(rom(), expected);
    // The page shows the saved line at once.
    QCOMPARE(viewer.hexList()->item(row)->text().toLatin1(),
             expected.mid(offset, 16).toHex().toUpper());
    QVERIFY(!viewer.anyRowSelected());
}

void tst_dlgHEX::closingWritesNothing()
{
    QFETCH(QString, how);
    MainWindowDriver viewer(romPath());
    QByteArray changedElsewhere = m_rom;
    changedElsewhere[200] = '\x77';
    QVERIFY(edit(viewer, 4, [&](QDialog *dialog) {
        chooseEntry(box(dialog, 3), 0xFF);
        chooseEntry(box(dialog, 9), 0x00);
        // A change made behind the dialog's back shows only if the page is rendered again.
        m_files->write(QStringLiteral("game.smc"), changedElsewhere);
        closeWithoutSave(dialog, box(dialog, 9), how);
    }));
    QCOMPARE(rom(), changedElsewhere);
    QCOMPARE(viewer.hexList()->item(12)->text().left(18), QStringLiteral("C0C1C2C3C4C5C6C777"));
    QVERIFY(!viewer.anyRowSelected());
}

void tst_dlgHEX::savesWhereTheLineStands_data()
{
    QTest::addColumn<QString>("goTo");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("firstByte"); // 0-based offset of the line's byte 0 in the file

    QTest::newRow("whole offset 100, top row")
        << QStringLiteral("100") << 0 << QStringLiteral("100") << 100;
    // 26.5 + 1 rounds to the even 28.
    QTest::newRow("fraction 10.5, row 1")
        << QStringLiteral("10.5") << 1 << QStringLiteral("26.5") << 27;
}

void tst_dlgHEX::savesWhereTheLineStands()
{
    QFETCH(QString, goTo);
    QFETCH(int, row);
    QFETCH(QString, caption);
    QFETCH(int, firstByte);
    MainWindowDriver viewer(romPath());
    viewer.goTo(goTo);
    viewer.selectRow(row);
    QCOMPARE(viewer.topOffset(), caption);
    QVERIFY(viewer.press(QStringLiteral("cmd1"), QStringLiteral("dlgHEX"), [&](QDialog *dialog) {
        for (int i = 0; i < 16; ++i)
            QCOMPARE(box(dialog, i)->currentIndex(),
                     static_cast<unsigned char>(m_rom[firstByte + i]));
        chooseEntry(box(dialog, 0), 0xEE);
        chooseEntry(box(dialog, 15), 0xDD);
        QTest::mouseClick(button(dialog, "cmdSave"), Qt::LeftButton);
    }));
    QByteArray expected = m_rom;
    expected[firstByte] = '\xEE';
    expected[firstByte + 15] = '\xDD';
    QCOMPARE(rom(), expected);
}

void tst_dlgHEX::typedValues_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("value");
    QTest::newRow("two digits") << QStringLiteral("7F") << 0x7F;
    QTest::newRow("two lower-case digits") << QStringLiteral("ff") << 0xFF;
    QTest::newRow("digits and colon") << QStringLiteral("41:") << 0x41;
    QTest::newRow("the whole entry") << QStringLiteral("42: Bee") << 0x42;
    QTest::newRow("an empty translation's entry") << QStringLiteral("43: ") << 0x43;
    QTest::newRow("blanks around") << QStringLiteral(" 9a ") << 0x9A;
}

void tst_dlgHEX::typedValues()
{
    QFETCH(QString, typed);
    QFETCH(int, value);
    MainWindowDriver viewer(romPath());
    QVERIFY(edit(viewer, 1, [&](QDialog *dialog) {
        typeInto(box(dialog, 6), typed);
        // Leaving the box shows the entry the typed text names.
        QTest::keyClick(box(dialog, 6), Qt::Key_Tab);
        QCOMPARE(box(dialog, 6)->currentIndex(), value);
        QCOMPARE(box(dialog, 6)->currentText(), box(dialog, 6)->itemText(value));
        typeInto(box(dialog, 2), typed);
        QTest::mouseClick(button(dialog, "cmdSave"), Qt::LeftButton);
    }));
    QByteArray expected = m_rom;
    expected[16 + 6] = static_cast<char>(value);
    expected[16 + 2] = static_cast<char>(value);
    QCOMPARE(rom(), expected);
}

void tst_dlgHEX::refusesTextThatNamesNoValue_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("no hex digits") << QStringLiteral("zz");
    QTest::newRow("one digit and a letter") << QStringLiteral("4g");
    QTest::newRow("another translation") << QStringLiteral("41: B");
    QTest::newRow("empty") << QString();
}

void tst_dlgHEX::refusesTextThatNamesNoValue()
{
    QFETCH(QString, typed);
    MainWindowDriver viewer(romPath());
    ShownMessage message;
    bool stayedOpen = false;
    QVERIFY(edit(viewer, 2, [&](QDialog *dialog) {
        chooseEntry(box(dialog, 1), 0xFF);
        typeInto(box(dialog, 11), typed);
        QCOMPARE(box(dialog, 11)->currentText(), typed);
        stayedOpen = saveRefused(viewer, dialog, QStringLiteral("MsgBox"), message);
        // The choices survive the refusal.
        QCOMPARE(box(dialog, 1)->currentIndex(), 0xFF);
        QCOMPARE(box(dialog, 11)->currentText(), typed);
        QTest::mouseClick(button(dialog, "cmdCancel"), Qt::LeftButton);
    }));
    QVERIFY(stayedOpen);
    QVERIFY2(message.text.contains(QLatin1String("Byte 11 ")), qPrintable(message.text));
    QVERIFY2(message.text.contains(QLatin1String("offset 43")), qPrintable(message.text));
    QVERIFY(message.critical());
    QCOMPARE(rom(), m_rom);
}

void tst_dlgHEX::reportsRomThatIsGone_data()
{
    QTest::addColumn<bool>("folder");
    QTest::newRow("deleted") << false;
    QTest::newRow("a folder in its place") << true;
}

void tst_dlgHEX::reportsRomThatIsGone()
{
    QFETCH(bool, folder);
    MainWindowDriver viewer(romPath());
    ShownMessage message;
    bool stayedOpen = false;
    QVERIFY(edit(viewer, 2, [&](QDialog *dialog) {
        chooseEntry(box(dialog, 4), 0xAB);
        QVERIFY(QFile::remove(romPath()));
        if (folder)
            QVERIFY(QDir().mkdir(romPath()));
        stayedOpen = saveRefused(viewer, dialog, QStringLiteral("ErrorBox"), message);
        QCOMPARE(box(dialog, 4)->currentIndex(), 0xAB);
    }));
    QVERIFY(stayedOpen);
    // The page cannot be read again once the dialog has closed, but the failure has been told:
    // no second message.
    QTest::qWait(50);
    QVERIFY(Modal::allHandled());
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY2(message.text.contains(QDir::toNativeSeparators(romPath())), qPrintable(message.text));
    QVERIFY(message.critical());
    // Nothing was created in the ROM's place.
    QCOMPARE(QFileInfo(romPath()).isDir(), folder);
    QCOMPARE(QFileInfo(romPath()).isFile(), false);
}

void tst_dlgHEX::reportsReadOnlyRom()
{
    ORVANE_RUN_UNPRIVILEGED();
    QVERIFY(
        QFile::setPermissions(romPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY2(!QFileInfo(romPath()).isWritable(), "permission bits must stop this user");
    MainWindowDriver viewer(romPath());
    ShownMessage message;
    bool stayedOpen = false;
    QVERIFY(edit(viewer, 6, [&](QDialog *dialog) {
        chooseEntry(box(dialog, 0), 0x01);
        stayedOpen = saveRefused(viewer, dialog, QStringLiteral("ErrorBox"), message);
        QCOMPARE(box(dialog, 0)->currentIndex(), 0x01);
    }));
    QVERIFY(stayedOpen);
    QVERIFY2(message.text.contains(QDir::toNativeSeparators(romPath())), qPrintable(message.text));
    QCOMPARE(rom(), m_rom);
}

void tst_dlgHEX::tableKeptAcrossOpenings()
{
    MainWindowDriver viewer(romPath());
    QVERIFY(edit(viewer, 4, [&](QDialog *dialog) {
        QCOMPARE(box(dialog, 1)->currentText(), QStringLiteral("41: A"));
        typeInto(box(dialog, 1), QStringLiteral("zz"));
    }));
    // A shorter table supplies entry 1 only; the others keep what the dialog's copy held.
    m_files->write(QStringLiteral("game.kel"), RomData::tableFile({"one"}));
    QVERIFY(edit(viewer, 4, [&](QDialog *dialog) {
        QCOMPARE(box(dialog, 1)->currentText(), QStringLiteral("41: A"));
        QCOMPARE(box(dialog, 1)->currentIndex(), 0x41);
        QCOMPARE(box(dialog, 1)->itemText(0x01), QStringLiteral("01: one"));
        QCOMPARE(box(dialog, 1)->itemText(0x00), QStringLiteral("00: \u00A5"));
        QCOMPARE(box(dialog, 2)->itemText(0x42), QStringLiteral("42: Bee"));
    }));
    QCOMPARE(rom(), m_rom);
}

QTEST_MAIN(tst_dlgHEX)
#include "tst_dlghex.moc"
