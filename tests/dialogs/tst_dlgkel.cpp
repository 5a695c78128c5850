#include "support/editdialogtest.h"
#include "support/faultinjection.h"
#include "support/mainwindowdriver.h"
#include "support/modal.h"
#include "support/romdata.h"
#include "support/tempfiles.h"
#include "support/unprivileged.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <optional>

namespace {

constexpr qsizetype RomSize = 512;
const QString Yen = QStringLiteral("\u00A5");

QLineEdit *textBox(QDialog *dialog, int i)
{
    return dialog->findChild<QLineEdit *>(QStringLiteral("Text1_%1").arg(i));
}

QLabel *label(QDialog *dialog, const QString &name)
{
    return dialog->findChild<QLabel *>(name);
}

// Clicks into a box, selects all of it and types over it, as a user does.
void typeInto(QLineEdit *box, const QString &text)
{
    QTest::mouseClick(box, Qt::LeftButton);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(box, c.toLatin1());
        else // beyond what QTest can spell as a key, as an input method delivers it
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void tab()
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
}

QStringList boxTexts(QDialog *dialog)
{
    QStringList texts;
    for (int i = 0; i < 16; ++i)
        texts.append(textBox(dialog, i)->text());
    return texts;
}

// A table of 255 records: entry k is entries[k] or empty.
QByteArray fullTable(const std::map<int, QByteArray> &entries)
{
    QList<QByteArray> records(255);
    for (const auto &[value, text] : entries)
        records[value - 1] = text;
    return RomData::tableFile(records);
}

} // namespace

class tst_dlgKEL : public EditDialogTest
{
    Q_OBJECT

public:
    tst_dlgKEL()
        : EditDialogTest({QStringLiteral("cmd2"),
                          QStringLiteral("mnuKEL"),
                          QStringLiteral("dlgKEL"),
                          QStringLiteral("game.kel")})
    {}

private slots:
    void init();

    void layout();
    void focusOrder();
    void saveWithoutChangeKeepsFile();
    void oneValueEverywhere_data();
    void oneValueEverywhere();
    void valueAtTwoPositions();
    void firstDifferingBoxWins();
    void saveTakesHighestBox();
    void byteZeroIsNeverWritten();
    void emptiedBoxIsBareCarriageReturn();
    void closingWritesNothing();
    void tableKeptAcrossOpenings();
    void refusesWhatTheFileCannotHold_data();
    void refusesWhatTheFileCannotHold();
    void reportsTableThatCannotBeWritten_data();
    void reportsTableThatCannotBeWritten();

private:
    QString tablePath() const { return path(QStringLiteral("game.kel")); }
    QByteArray table() const { return m_files->read(QStringLiteral("game.kel")); }

    QByteArray m_table;
    const std::map<int, QByteArray> m_entries{{0x41, "A"}, {0x42, "b"}, {0x43, "Cee"}, {0x44, "d"}};
};

void tst_dlgKEL::init()
{
    m_files = std::make_unique<TempFiles>();
    QByteArray rom = TempFiles::pattern(RomSize, 1, 0x50);
    rom.replace(0, 16, QByteArray(16, '\x41')); // row 0: one value throughout
    rom[16 + 2] = '\x42';                       // row 1: one value at two positions
    rom[16 + 9] = '\x42';
    rom.replace(32, 3, QByteArray("\x00\x43\x44", 3)); // row 2: byte 00 first
    rom[48 + 5] = '\x43';                              // row 3
    m_files->write(QStringLiteral("game.smc"), rom);
    m_table = fullTable(m_entries);
    m_files->write(QStringLiteral("game.kel"), m_table);
}

void tst_dlgKEL::layout()
{
    MainWindowDriver viewer(romPath());
    viewer.selectRow(2);
    const QString shownText = viewer.textList()->item(2)->text();
    QVERIFY(viewer.press(QStringLiteral("cmd2"), QStringLiteral("dlgKEL"), [&](QDialog *dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Edit KEL Translation"));
        QCOMPARE(dialog->size(), QSize(441, 370));
        QLabel *hex = label(dialog, QStringLiteral("lblShowHEX"));
        QCOMPARE(hex->geometry(), QRect(8, 8, 425, 25));
        QCOMPARE(hex->text(), QStringLiteral("004344737475767778797A7B7C7D7E7F"));
        QLabel *kel = label(dialog, QStringLiteral("lblShowKEL"));
        QCOMPARE(kel->geometry(), QRect(8, 336, 425, 25));
        QCOMPARE(kel->text(), Yen + QStringLiteral("Ceed"));
        QCOMPARE(kel->text(), shownText);
        for (QLabel *header : {hex, kel}) {
            QCOMPARE(header->font().family(), QStringLiteral("Courier New"));
            QVERIFY(header->font().bold());
            QCOMPARE(header->font().pointSizeF(), 12.0);
        }
        for (int i = 0; i < 16; ++i) {
            const int shift = i < 8 ? 0 : 224;
            const int top = 40 + 32 * (i % 8);
            QLabel *byte = label(dialog, QStringLiteral("Label1_%1").arg(i));
            QCOMPARE(byte->geometry(), QRect(8 + shift, top, 25, 25));
            QCOMPARE(byte->text(), hex->text().mid(2 * i, 2) + QLatin1Char(':'));
            QCOMPARE(byte->font().family(), QStringLiteral("Courier New"));
            QVERIFY(byte->font().bold());
            QCOMPARE(textBox(dialog, i)->geometry(), QRect(40 + shift, top, 169, 25));
        }
        QCOMPARE(boxTexts(dialog).mid(0, 4),
                 (QStringList{Yen, QStringLiteral("Cee"), QStringLiteral("d"), QString()}));
        QCOMPARE(button(dialog, "cmdSave")->geometry(), QRect(224, 296, 97, 33));
        QCOMPARE(button(dialog, "cmdSave")->text(), QStringLiteral("Save"));
        QCOMPARE(button(dialog, "cmdCancel")->geometry(), QRect(336, 296, 97, 33));
        QCOMPARE(button(dialog, "cmdCancel")->text(), QStringLiteral("Cancel"));
        textBox(dialog, 4)->setFocus();
        QVERIFY(button(dialog, "cmdCancel")->isDefault());
        QVERIFY(!button(dialog, "cmdSave")->isDefault());

        // The line's text form stays as it was rendered, whatever the edits.
        typeInto(textBox(dialog, 1), QStringLiteral("changed"));
        tab();
        QCOMPARE(kel->text(), shownText);
    }));
}

void tst_dlgKEL::focusOrder()
{
    MainWindowDriver viewer(romPath());
    QVERIFY(edit(viewer, 3, [&](QDialog *dialog) {
        QCOMPARE(QApplication::focusWidget(), button(dialog, "cmdCancel"));
        for (int i = 0; i < 16; ++i) {
            tab();
            QCOMPARE(QApplication::focusWidget(), textBox(dialog, i));
        }
        tab();
        QCOMPARE(QApplication::focusWidget(), button(dialog, "cmdSave"));
        tab();
        QCOMPARE(QApplication::focusWidget(), button(dialog, "cmdCancel"));
    }));
}

void tst_dlgKEL::saveWithoutChangeKeepsFile()
{
    MainWindowDriver viewer(romPath());
    QVERIFY(edit(viewer, 1, [&](QDialog *dialog) {
        // Leaving boxes without a change alters no entry.
        for (int i = 0; i < 5; ++i)
            tab();
        QTest::mouseClick(button(dialog, "cmdSave"), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    }));
    QCOMPARE(table(), m_table);
    QVERIFY(!viewer.anyRowSelected());
}

void tst_dlgKEL::oneValueEverywhere_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("typed");
    QTest::newRow("a new text in box 7") << 7 << QStringLiteral("Ay");
    QTest::newRow("a change of case alone") << 0 << QStringLiteral("a");
    QTest::newRow("the last box") << 15 << QStringLiteral("A A");
}

void tst_dlgKEL::oneValueEverywhere()
{
    QFETCH(int, box);
    QFETCH(QString, typed);
    MainWindowDriver viewer(romPath());
    QVERIFY(edit(viewer, 0, [&](QDialog *dialog) {
        QCOMPARE(boxTexts(dialog), QStringList(16, QStringLiteral("A")));
        typeInto(textBox(dialog, box), typed);
        QTest::mouseClick(textBox(dialog, (box + 3) % 16), Qt::LeftButton);
        QCOMPARE(boxTexts(dialog), QStringList(16, typed));
        QTest::mouseClick(button(dialog, "cmdSave"), Qt::LeftButton);
    }));
    std::map<int, QByteArray> expected = m_entries;
    expected[0x41] = typed.toLatin1();
    QCOMPARE(table(), fullTable(expected));
    // The main window reads the saved table again.
    QCOMPARE(viewer.textList()->item(0)->text(), typed.repeated(16));
}

void tst_dlgKEL::valueAtTwoPositions()
{
    MainWindowDriver viewer(romPath());
    QVERIFY(edit(viewer, 1, [&](QDialog *dialog) {
        QCOMPARE(textBox(dialog, 2)->text(), QStringLiteral("b"));
        typeInto(textBox(dialog, 9), QStringLiteral("bee"));
        QCOMPARE(textBox(dialog, 2)->text(), QStringLiteral("b"));
        tab();
        QCOMPARE(textBox(dialog, 2)->text(), QStringLiteral("bee"));
        QCOMPARE(textBox(dialog, 9)->text(), QStringLiteral("bee"));
        QCOMPARE(textBox(dialog, 3)->text(), QString());
        QTest::mouseClick(button(dialog, "cmdSave"), Qt::LeftButton);
    }));
    std::map<int, QByteArray> expected = m_entries;
    expected[0x42] = "bee";
    QCOMPARE(table(), fullTable(expected));
}

void tst_dlgKEL::firstDifferingBoxWins()
{
    MainWindowDriver viewer(romPath());
    QVERIFY(edit(viewer, 1, [&](QDialog *dialog) {
        // Texts pasted into two boxes of one value before the focus moves: box 2 comes first.
        QTest::mouseClick(textBox(dialog, 0), Qt::LeftButton);
        textBox(dialog, 9)->setText(QStringLiteral("nine"));
        textBox(dialog, 2)->setText(QStringLiteral("two"));
        textBox(dialog, 5)->setText(QStringLiteral("five"));
        QTest::mouseClick(textBox(dialog, 1), Qt::LeftButton);
        QCOMPARE(textBox(dialog, 2)->text(), QStringLiteral("two"));
        QCOMPARE(textBox(dialog, 9)->text(), QStringLiteral("two"));
        // Only one box is taken; the other is reset to its entry.
        QCOMPARE(textBox(dialog, 5)->text(), QString());
        QTest::mouseClick(button(dialog, "cmdCancel"), Qt::LeftButton);
    }));
    QCOMPARE(table(), m_table);
}

void tst_dlgKEL::saveTakesHighestBox()
{
    MainWindowDriver viewer(romPath());
    QVERIFY(edit(viewer, 1, [&](QDialog *dialog) {
        textBox(dialog, 2)->setText(QStringLiteral("two"));
        textBox(dialog, 9)->setText(QStringLiteral("nine"));
        // Save pressed without the focus leaving a box, as by its shortcut.
        button(dialog, "cmdSave")->click();
    }));
    std::map<int, QByteArray> expected = m_entries;
    expected[0x42] = "nine";
    QCOMPARE(table(), fullTable(expected));
}

void tst_dlgKEL::byteZeroIsNeverWritten()
{
    MainWindowDriver viewer(romPath());
    QVERIFY(edit(viewer, 2, [&](QDialog *dialog) {
        QCOMPARE(textBox(dialog, 0)->text(), Yen);
        typeInto(textBox(dialog, 0), QStringLiteral("zero"));
        tab();
        QCOMPARE(textBox(dialog, 0)->text(), QStringLiteral("zero"));
        typeInto(textBox(dialog, 1), QStringLiteral("C"));
        QTest::mouseClick(button(dialog, "cmdSave"), Qt::LeftButton);
    }));
    std::map<int, QByteArray> expected = m_entries;
    expected[0x43] = "C";
    QCOMPARE(table(), fullTable(expected));
    QCOMPARE(viewer.textList()->item(2)->text(), Yen + QStringLiteral("Cd"));
    QVERIFY(edit(viewer, 2, [&](QDialog *dialog) { QCOMPARE(textBox(dialog, 0)->text(), Yen); }));
}

void tst_dlgKEL::emptiedBoxIsBareCarriageReturn()
{
    MainWindowDriver viewer(romPath());
    QVERIFY(edit(viewer, 3, [&](QDialog *dialog) {
        QCOMPARE(textBox(dialog, 5)->text(), QStringLiteral("Cee"));
        typeInto(textBox(dialog, 5), QString());
        QTest::mouseClick(button(dialog, "cmdSave"), Qt::LeftButton);
    }));
    const QByteArray saved = table();
    QCOMPARE(saved.size(), 255 + 3); // A, b and d remain
    // Records 0x40 to 0x43: empty, A, b, and the emptied one as a bare carriage return.
    QCOMPARE(saved.mid(0x40 - 1, 7), QByteArray("\rA\rb\r\rd"));
    std::map<int, QByteArray> expected = m_entries;
    expected.erase(0x43);
    QCOMPARE(saved, fullTable(expected));
}

void tst_dlgKEL::closingWritesNothing()
{
    QFETCH(QString, how);
    MainWindowDriver viewer(romPath());
    const QByteArray changedElsewhere = fullTable({{0x60, "P"}});
    QVERIFY(edit(viewer, 1, [&](QDialog *dialog) {
        typeInto(textBox(dialog, 2), QStringLiteral("x"));
        tab();
        typeInto(textBox(dialog, 4), QStringLiteral("y"));
        QTest::mouseClick(textBox(dialog, 12), Qt::LeftButton);
        typeInto(textBox(dialog, 12), QStringLiteral("z"));
        // A table changed behind the dialog's back shows only if the main window reloads it.
        m_files->write(QStringLiteral("game.kel"), changedElsewhere);
        closeWithoutSave(dialog, textBox(dialog, 12), how);
    }));
    QCOMPARE(table(), changedElsewhere);
    QCOMPARE(viewer.textList()->item(1)->text(), QStringLiteral("P"));
    QVERIFY(!viewer.anyRowSelected());

    // The edits that focus changes took stay in the dialog's own table; the one still in its box
    // as the dialog closed is taken only when the click on Cancel moved the focus first.
    m_files->write(QStringLiteral("game.kel"), RomData::tableFile({"one"}));
    QVERIFY(edit(viewer, 1, [&](QDialog *dialog) {
        QCOMPARE(textBox(dialog, 2)->text(), QStringLiteral("x"));
        QCOMPARE(textBox(dialog, 4)->text(), QStringLiteral("y"));
        QCOMPARE(textBox(dialog, 12)->text(),
                 how == QLatin1String("cancel") ? QStringLiteral("z") : QString());
    }));
}

void tst_dlgKEL::tableKeptAcrossOpenings()
{
    // A table that the load has just created empty lacks every entry.
    QVERIFY(QFile::remove(tablePath()));
    MainWindowDriver viewer(romPath());
    QCOMPARE(table(), QByteArray());
    QVERIFY(edit(viewer, 1, [&](QDialog *dialog) {
        QCOMPARE(boxTexts(dialog), QStringList(16));
        typeInto(textBox(dialog, 2), QStringLiteral("kept"));
        tab();
        typeInto(textBox(dialog, 0), QStringLiteral("also kept"));
        tab();
        QTest::mouseClick(button(dialog, "cmdCancel"), Qt::LeftButton);
    }));
    QCOMPARE(table(), QByteArray());

    // The file now supplies entries 1 and 2 only; the Cancel's edits stay in the dialog.
    m_files->write(QStringLiteral("game.kel"), RomData::tableFile({"one", "two"}));
    QVERIFY(edit(viewer, 1, [&](QDialog *dialog) {
        QCOMPARE(textBox(dialog, 0)->text(), QStringLiteral("also kept"));
        QCOMPARE(textBox(dialog, 2)->text(), QStringLiteral("kept"));
        QCOMPARE(textBox(dialog, 9)->text(), QStringLiteral("kept"));
        QCOMPARE(textBox(dialog, 1)->text(), QString());
        QTest::mouseClick(button(dialog, "cmdSave"), Qt::LeftButton);
    }));
    QCOMPARE(table(),
             fullTable({{0x01, "one"}, {0x02, "two"}, {0x42, "kept"}, {0x60, "also kept"}}));
}

void tst_dlgKEL::refusesWhatTheFileCannotHold_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("typed");
    QTest::addColumn<QString>("named");
    QTest::newRow("carriage return") << QStringLiteral("one\rtwo") << false << QStringLiteral("42");
    QTest::newRow("a character outside 8 bits")
        << QStringLiteral("\u20AC5") << true << QStringLiteral("42");
    QTest::newRow("over-size file")
        << QString(32767 - 255 - 4, QLatin1Char('w')) << false << QStringLiteral("32767");
}

void tst_dlgKEL::refusesWhatTheFileCannotHold()
{
    QFETCH(QString, text);
    QFETCH(bool, typed);
    QFETCH(QString, named);
    MainWindowDriver viewer(romPath());
    ShownMessage message;
    bool stayedOpen = false;
    QVERIFY(edit(viewer, 1, [&](QDialog *dialog) {
        typeInto(textBox(dialog, 0), QStringLiteral("other"));
        if (typed) {
            typeInto(textBox(dialog, 9), text);
        } else {
            QTest::mouseClick(textBox(dialog, 9), Qt::LeftButton);
            textBox(dialog, 9)->setText(text); // pasted
        }
        QCOMPARE(textBox(dialog, 9)->text(), text);
        stayedOpen = saveRefused(viewer, dialog, QStringLiteral("MsgBox"), message);
        QCOMPARE(textBox(dialog, 9)->text(), text);
        QCOMPARE(textBox(dialog, 0)->text(), QStringLiteral("other"));
    }));
    QVERIFY(stayedOpen);
    QVERIFY(message.critical());
    QVERIFY2(message.text.contains(named), qPrintable(message.text));
    QCOMPARE(table(), m_table);
}

void tst_dlgKEL::reportsTableThatCannotBeWritten_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("read-only file") << QStringLiteral("file");
    QTest::newRow("read-only folder") << QStringLiteral("folder");
    // The new table does not fit: its last bytes fail to reach the file.
    QTest::newRow("a write that fails") << QStringLiteral("write");
}

void tst_dlgKEL::reportsTableThatCannotBeWritten()
{
    ORVANE_RUN_UNPRIVILEGED();
    QFETCH(QString, failure);
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const QString folder = QFileInfo(tablePath()).absolutePath();
    if (failure == QLatin1String("folder"))
        QVERIFY(
            QFile::setPermissions(folder,
                                  readOnly | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther));
    else if (failure == QLatin1String("file"))
        QVERIFY(QFile::setPermissions(tablePath(), readOnly));
    if (failure != QLatin1String("write"))
        QVERIFY2(!QFileInfo(failure == QLatin1String("folder") ? folder : tablePath()).isWritable(),
                 "permission bits must stop this user");
    std::optional<FileSizeLimit> limit;

    MainWindowDriver viewer(romPath());
    ShownMessage message;
    bool stayedOpen = false;
    QVERIFY(edit(viewer, 1, [&](QDialog *dialog) {
        typeInto(textBox(dialog, 9), QStringLiteral("lost?"));
        if (failure == QLatin1String("write"))
            limit.emplace(m_table.size());
        stayedOpen = saveRefused(viewer, dialog, QStringLiteral("ErrorBox"), message);
        QCOMPARE(textBox(dialog, 9)->text(), QStringLiteral("lost?"));
        QCOMPARE(textBox(dialog, 2)->text(), QStringLiteral("lost?"));
        limit.reset();
    }));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(stayedOpen);
    QVERIFY(message.critical());
    QVERIFY2(message.text.contains(QDir::toNativeSeparators(tablePath())), qPrintable(message.text));
    if (failure == QLatin1String("write"))
        QVERIFY2(message.text.contains("File too large"), qPrintable(message.text));
    QCOMPARE(table(), m_table);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
             (QStringList{QStringLiteral("game.kel"), QStringLiteral("game.smc")}));
}

QTEST_MAIN(tst_dlgKEL)
#include "tst_dlgkel.moc"
