#include "support/faultinjection.h"
#include "support/mainwindowdriver.h"
#include "support/modal.h"
#include "support/romdata.h"
#include "support/tempfiles.h"
#include "support/unprivileged.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <optional>

namespace {

const QStringList AllButtons
    = {"cmdPgUp", "cmdPgDn", "cmd1", "cmd2", "cmd3", "cmd4", "cmd5", "cmd6", "cmd7", "cmd8"};

// A ROM of count bytes whose byte k is k mod 256, and a table naming a few of its values.
QString makeRom(const TempFiles &files, qsizetype count, const QString &name = "game.smc")
{
    QList<QByteArray> table(0x41);
    table.first() = "A";
    table.last() = "@";
    files.write(QString(name).replace(".smc", ".kel"), RomData::tableFile(table));
    return files.write(name, TempFiles::pattern(count));
}

QString hexOfLineAt(qint64 offset)
{
    QString hex;
    for (int i = 0; i < 16; ++i)
        hex += QString::asprintf("%02X", static_cast<int>((offset + i) & 0xFF));
    return hex;
}

} // namespace

class TestFrmOrvane : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void startState();
    void layoutMatchesTheWindowPlan_data();
    void layoutMatchesTheWindowPlan();
    void menus();
    void openThroughTheFileDialog();
    void cancelledOpenKeepsThePage();
    void openShowsFirstPageAndTextForms();
    void reopeningReturnsToTheTop();
    void pageDownAndUp_data();
    void pageDownAndUp();
    void pageDownOnATinyRom();
    void goTo_data();
    void goTo();
    void shortcutsWaitForAnOpenRom();
    void enterPagesUpFromTheList();
    void tabOrder();
    void aboutBox();
    void ipsCommandsDoNothing();
    void exitClosesTheWindow();
    void currentLineStatus_data();
    void currentLineStatus();
    void arrowKeysMoveTheStatus();
    void renderLeavesTheStatusLineUntilTheNextEvent();
    void controlCharactersStayOnOneLine();
    void deletedRomLeavesThePage();
    void readOnlyRomCanBeViewed();
    void openRefusesWhatItCannotUse_data();
    void openRefusesWhatItCannotUse();
};

void TestFrmOrvane::cleanup()
{
    Modal::forgetPending();
}

void TestFrmOrvane::startState()
{
    MainWindowDriver w;
    QCOMPARE(w.window().windowTitle(), QString("Kel's Orvane v2.0"));
    QCOMPARE(w.caption("lblTopline"), QString("0"));
    QCOMPARE(w.caption("lblShowLine"), QString());
    QVERIFY(!w.child("pgsSearch")->isVisible());
    for (const QString &button : AllButtons)
        QVERIFY2(!w.enabled(button), qPrintable(button));
    QVERIFY(!w.child<QMenu>("mnuEdit")->isEnabled());
    QVERIFY(!w.enabled("lstKEL"));
    QCOMPARE(w.hexList()->count(), 0);
    QCOMPARE(QApplication::focusWidget(), w.hexList());
    QVERIFY(w.child<QPushButton>("cmdPgUp")->isDefault());
    QVERIFY(!w.window().windowIcon().isNull());
    QVERIFY(w.window().windowIcon().availableSizes().contains(QSize(16, 16)));
    QVERIFY(w.window().windowIcon().availableSizes().contains(QSize(32, 32)));
}

void TestFrmOrvane::layoutMatchesTheWindowPlan_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::newRow("lblHEX") << "lblHEX" << QRect(8, 0, 81, 17) << "HEX Codes:";
    QTest::newRow("lblKEL") << "lblKEL" << QRect(376, 0, 129, 17) << "KEL Translation:";
    QTest::newRow("lstHEX") << "lstHEX" << QRect(8, 16, 329, 256) << "";
    QTest::newRow("cmdPgUp") << "cmdPgUp" << QRect(344, 16, 25, 33) << "PgUp";
    QTest::newRow("cmdPgDn") << "cmdPgDn" << QRect(344, 240, 25, 33) << "PgDn";
    QTest::newRow("lstKEL") << "lstKEL" << QRect(376, 16, 329, 256) << "";
    QTest::newRow("lblCurLine") << "lblCurLine" << QRect(8, 280, 105, 17) << "Current Line:";
    QTest::newRow("lblTopline") << "lblTopline" << QRect(120, 280, 249, 17) << "0";
    QTest::newRow("lblShowLine") << "lblShowLine" << QRect(8, 296, 697, 25) << "";
    QTest::newRow("pgsSearch") << "pgsSearch" << QRect(8, 296, 697, 25) << "";
    QTest::newRow("cmd1") << "cmd1" << QRect(88, 336, 129, 33) << "Edit Current &Line";
    QTest::newRow("cmd2") << "cmd2" << QRect(88, 376, 129, 33) << "Edit KEL &Translation";
    QTest::newRow("cmd3") << "cmd3" << QRect(224, 336, 129, 33) << "Fin&d";
    QTest::newRow("cmd4") << "cmd4" << QRect(224, 376, 129, 33) << "Find &Next";
    QTest::newRow("cmd5") << "cmd5" << QRect(360, 336, 129, 33) << "&Create IPS File";
    QTest::newRow("cmd6") << "cmd6" << QRect(360, 376, 129, 33) << "&Merge IPS File";
    QTest::newRow("cmd7") << "cmd7" << QRect(496, 336, 129, 33) << "&GoTo";
    QTest::newRow("cmd8") << "cmd8" << QRect(496, 376, 129, 33) << "E&xit";
}

void TestFrmOrvane::layoutMatchesTheWindowPlan()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    MainWindowDriver w;
    QWidget *control = w.child(name);
    QCOMPARE(control->parentWidget(), w.window().centralWidget());
    QCOMPARE(control->geometry(), geometry);
    if (auto *button = qobject_cast<QPushButton *>(control))
        QCOMPARE(button->text(), text);
    if (auto *label = qobject_cast<QLabel *>(control))
        QCOMPARE(label->text(), text);
    const QFont font = control->font();
    if (name.startsWith("lst") || name == "lblShowLine") {
        QCOMPARE(font.family(), QString("Courier New"));
        QVERIFY(font.bold());
        QCOMPARE(font.pointSizeF(), 12.0);
    } else if (name.startsWith("lbl")) {
        QCOMPARE(font.family(), QString("Courier New"));
        QVERIFY(font.bold());
        QCOMPARE(font.pointSizeF(), 9.75);
    }
    QCOMPARE(w.window().centralWidget()->size(), QSize(713, 419));
}

void TestFrmOrvane::menus()
{
    MainWindowDriver w;
    const QList<QAction *> bar = w.window().menuBar()->actions();
    QCOMPARE(bar.size(), 3);
    QCOMPARE(bar.at(0)->text(), QString("&File"));
    QCOMPARE(bar.at(1)->text(), QString("&Edit"));
    QCOMPARE(bar.at(2)->text(), QString("&Help"));

    auto items = [&w](const QString &menu) {
        QStringList shown;
        for (QAction *item : w.child<QMenu>(menu)->actions()) {
            if (item->isVisible())
                shown << (item->isSeparator() ? QString("-") : item->text());
        }
        return shown;
    };
    QCOMPARE(items("mnuFile"),
             QStringList({"&Open", "-", "&Create IPS File", "&Merge IPS File", "-", "E&xit"}));
    QCOMPARE(items("mnuEdit"),
             QStringList({"Edit Current &Line",
                          "Edit KEL &Translation",
                          "-",
                          "&GoTo",
                          "&Find",
                          "Find &Next"}));
    QCOMPARE(items("mnuHelp"), QStringList({"About Orvane"}));
    QCOMPARE(w.child<QMenu>("mnuHelp")->actions().size(), 9);
    QCOMPARE(w.action("mnuOpen")->shortcut(), QKeySequence("Ctrl+O"));
    QCOMPARE(w.action("mnuGoTo")->shortcut(), QKeySequence("Ctrl+G"));
    QCOMPARE(w.action("mnuFind")->shortcut(), QKeySequence("Ctrl+F"));
    QCOMPARE(w.action("mnuFindN")->shortcut(), QKeySequence("F3"));
    QVERIFY(!w.action("mnuCSP")->isEnabled());
    QVERIFY(!w.action("mnuMSP")->isEnabled());
}

void TestFrmOrvane::openThroughTheFileDialog()
{
    TempFiles files;
    const QString rom = makeRom(files, 16000);
    MainWindowDriver w;
    QString filter;
    Modal::whenShown("cmnDialog", [rom, &filter](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        filter = dialog->selectedNameFilter();
        auto *name = dialog->findChild<QLineEdit *>("fileNameEdit");
        QTest::keyClicks(name, rom);
        QTest::keyClick(name, Qt::Key_Return);
    });
    w.action("mnuOpen")->trigger();
    QVERIFY(Modal::allHandled());
    QCOMPARE(filter, QString("SNES files (*.SMC)"));
    QCOMPARE(w.hexRows().size(), 14);
    // The table beside the ROM spells byte 01.
    QCOMPARE(w.textRows().first(), QString(QChar(0xA5)) + "A");
    QCOMPARE(w.hexRows().first(), hexOfLineAt(0));
    QCOMPARE(w.caption("lblTopline"), QString("0"));
    for (const char *button : {"cmd1", "cmd2", "cmd3", "cmd4", "cmd7", "cmd8", "cmdPgDn"})
        QVERIFY2(w.enabled(button), qPrintable(button));
    for (const char *button : {"cmdPgUp", "cmd5", "cmd6"})
        QVERIFY2(!w.enabled(button), qPrintable(button));
    QVERIFY(w.child<QMenu>("mnuEdit")->isEnabled());
}

void TestFrmOrvane::cancelledOpenKeepsThePage()
{
    TempFiles files;
    const QString rom = makeRom(files, 16000);
    MainWindowDriver w;
    Modal::whenShown("cmnDialog", [](QWidget *modal) { Modal::finish(modal, QDialog::Rejected); });
    w.action("mnuOpen")->trigger();
    QCOMPARE(w.hexList()->count(), 0);
    QVERIFY(!w.enabled("cmdPgDn"));

    w.openRom(rom);
    Modal::whenShown("cmnDialog", [](QWidget *modal) { Modal::finish(modal, QDialog::Rejected); });
    w.action("mnuOpen")->trigger();
    w.click("cmdPgDn");
    QCOMPARE(w.caption("lblTopline"), QString("208"));
}

void TestFrmOrvane::openShowsFirstPageAndTextForms()
{
    TempFiles files;
    const QString rom = makeRom(files, 20);
    QFile::remove(files.path("game.kel"));
    MainWindowDriver w;
    w.openRom(rom);
    QVERIFY(QFile::exists(files.path("game.kel")));
    QCOMPARE(w.hexRows().size(), 14);
    QCOMPARE(w.hexRows().at(0), hexOfLineAt(0));
    QCOMPARE(w.hexRows().at(1), QString("10111213") + QString("20").repeated(12));
    QCOMPARE(w.hexRows().at(13), QString("20").repeated(16));
    // Only byte 0 has a translation in a new table.
    QCOMPARE(w.textList()->item(0)->text(), QString(QChar(0xA5)));
    QCOMPARE(w.textList()->count(), 14);
    QVERIFY(w.hexList()->selectedItems().isEmpty());

    files.write("game.kel", QByteArray("A\r") + QByteArray(30, '\r') + "sp\r");
    w.openRom(rom);
    // Byte 1 is "A"; bytes beyond the end read as spaces, translated as "sp".
    QCOMPARE(w.textList()->item(1)->text(), QString("sp").repeated(12));
    QCOMPARE(w.textList()->item(0)->text(), QString(QChar(0xA5)) + "A");
}

void TestFrmOrvane::reopeningReturnsToTheTop()
{
    TempFiles files;
    const QString rom = makeRom(files, 16000);
    MainWindowDriver w;
    w.openRom(rom);
    w.click("cmdPgDn");
    w.click("cmdPgDn");
    QCOMPARE(w.caption("lblTopline"), QString("416"));
    w.openRom(rom);
    QCOMPARE(w.caption("lblTopline"), QString("0"));
    QVERIFY(!w.enabled("cmdPgUp"));
    QVERIFY(w.enabled("cmdPgDn"));
}

void TestFrmOrvane::pageDownAndUp_data()
{
    QTest::addColumn<qsizetype>("romLength");
    QTest::addColumn<QStringList>("captions"); // after each Page Down
    QTest::addColumn<bool>("lastDownEnabled");
    QTest::newRow("1,000 bytes") << qsizetype(1000)
                                 << QStringList({"208", "416", "624", "832", "792", "1000"})
                                 << false;
}

void TestFrmOrvane::pageDownAndUp()
{
    QFETCH(qsizetype, romLength);
    QFETCH(QStringList, captions);
    QFETCH(bool, lastDownEnabled);
    TempFiles files;
    MainWindowDriver w;
    w.openRom(makeRom(files, romLength));
    QCOMPARE(w.caption("lblTopline"), QString("0"));
    QVERIFY(!w.enabled("cmdPgUp"));
    QVERIFY(w.enabled("cmdPgDn"));

    const QString lastRowOfFirstPage = w.hexRows().at(13);
    for (int step = 0; step < captions.size(); ++step) {
        w.click("cmdPgDn");
        QCOMPARE(w.caption("lblTopline"), captions.at(step));
        QVERIFY(w.enabled("cmdPgUp"));
        QCOMPARE(w.enabled("cmdPgDn"), step + 1 < captions.size() || lastDownEnabled);
        const qint64 offset = captions.at(step).toLongLong();
        if (offset + 16 <= romLength)
            QCOMPARE(w.hexRows().first(), hexOfLineAt(offset));
        if (step == 0)
            QCOMPARE(w.hexRows().first(), lastRowOfFirstPage);
        QCOMPARE(w.hexRows().size(), 14);
    }
    // At the end of the file every row lies beyond it.
    QCOMPARE(w.hexRows().last(), QString("20").repeated(16));

    w.click("cmdPgUp");
    QCOMPARE(w.caption("lblTopline"), captions.at(captions.size() - 2));
    QVERIFY(w.enabled("cmdPgDn"));
    while (w.enabled("cmdPgUp"))
        w.click("cmdPgUp");
    QCOMPARE(w.caption("lblTopline"), QString("0"));
    QVERIFY(w.enabled("cmdPgDn"));
}

void TestFrmOrvane::pageDownOnATinyRom()
{
    TempFiles files;
    MainWindowDriver w;
    w.openRom(makeRom(files, 20));
    QVERIFY(w.enabled("cmdPgDn"));
    w.click("cmdPgDn");
    QCOMPARE(w.caption("lblTopline"), QString("0"));
    QCOMPARE(w.hexRows().first(), hexOfLineAt(0));
    QVERIFY(!w.enabled("cmdPgUp"));
    // The line begins more than 13 bytes before the end, so Page Down stays available.
    QVERIFY(w.enabled("cmdPgDn"));
}

void TestFrmOrvane::goTo_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("caption");
    QTest::newRow("100") << "100" << false << "100";
    QTest::newRow("RomLength") << "16000" << false << "16000";
    QTest::newRow("RomLength + 1") << "16001" << false << "208";
    QTest::newRow("typed, then cancelled") << "100" << true << "208";
}

void TestFrmOrvane::goTo()
{
    QFETCH(QString, entry);
    QFETCH(bool, cancel);
    QFETCH(QString, caption);
    TempFiles files;
    MainWindowDriver w;
    w.openRom(makeRom(files, 16000));
    w.click("cmdPgDn");
    QString title;
    QString prompt;
    if (cancel)
        cancelInput(entry);
    else
        answerInput(entry, &title, &prompt);
    w.click("cmd7");
    QVERIFY(Modal::allHandled());
    if (!cancel) {
        QCOMPARE(title, QString("Orvane"));
        QCOMPARE(prompt, QString("What line would you like to go to?"));
    }
    QCOMPARE(w.caption("lblTopline"), caption);
    QCOMPARE(w.hexRows().size(), 14);
    if (caption == "16000") {
        QCOMPARE(w.hexRows().first(), QString("20").repeated(16));
        QVERIFY(!w.enabled("cmdPgDn"));
    } else {
        QCOMPARE(w.hexRows().first(), hexOfLineAt(caption.toLongLong()));
    }
    if (caption == "100")
        QCOMPARE(w.hexRows().at(13), hexOfLineAt(308));
}

void TestFrmOrvane::shortcutsWaitForAnOpenRom()
{
    TempFiles files;
    const QString rom = makeRom(files, 16000);
    MainWindowDriver w;
    for (const QKeySequence &keys :
         {QKeySequence("Ctrl+G"), QKeySequence("Ctrl+F"), QKeySequence("F3")}) {
        cancelInput();
        w.pressKeys(keys);
        QTest::qWait(30);
        QVERIFY2(!Modal::allHandled(), qPrintable(keys.toString()));
        Modal::forgetPending();
    }

    Modal::whenShown("cmnDialog", [rom](QWidget *modal) {
        auto *name = modal->findChild<QLineEdit *>("fileNameEdit");
        QTest::keyClicks(name, rom);
        QTest::keyClick(name, Qt::Key_Return);
    });
    w.pressKeys(QKeySequence("Ctrl+O"));
    QVERIFY(Modal::allHandled());
    QCOMPARE(w.hexRows().first(), hexOfLineAt(0));
    w.activate();

    answerInput("&H40");
    w.pressKeys(QKeySequence("Ctrl+G"));
    QVERIFY(Modal::allHandled());
    QCOMPARE(w.caption("lblTopline"), QString("64"));
    w.activate();

    QString title;
    answerInput("@", &title);
    w.pressKeys(QKeySequence("Ctrl+F"));
    QVERIFY(Modal::allHandled());
    QCOMPARE(title, QString("Find"));
    w.activate();
    // Byte 41, "@", first stands at offset 65.
    QCOMPARE(w.caption("lblTopline"), QString("64"));

    // Find Next asks nothing and moves on to the next occurrence, 256 bytes on.
    w.pressKeys(QKeySequence("F3"));
    QVERIFY(Modal::allHandled());
    QCOMPARE(w.caption("lblTopline"), QString("320"));
}

void TestFrmOrvane::enterPagesUpFromTheList()
{
    TempFiles files;
    MainWindowDriver w;
    w.openRom(makeRom(files, 16000));
    w.hexList()->setFocus();
    QTest::keyClick(w.hexList(), Qt::Key_Return);
    QCOMPARE(w.caption("lblTopline"), QString("0"));
    w.click("cmdPgDn");
    w.click("cmdPgDn");
    w.hexList()->setFocus();
    QTest::keyClick(w.hexList(), Qt::Key_Return);
    QCOMPARE(w.caption("lblTopline"), QString("208"));
    // A button with the focus takes Enter itself.
    w.child<QPushButton>("cmdPgDn")->setFocus();
    QTest::keyClick(w.child("cmdPgDn"), Qt::Key_Return);
    QCOMPARE(w.caption("lblTopline"), QString("416"));
}

void TestFrmOrvane::tabOrder()
{
    TempFiles files;
    MainWindowDriver w;
    w.openRom(makeRom(files, 16000));
    w.click("cmdPgDn");
    w.child("cmdPgUp")->setFocus();
    // The IPS buttons and the text list cannot take the focus.
    const QStringList order
        = {"cmdPgDn", "cmd1", "cmd2", "cmd3", "cmd4", "cmd7", "cmd8", "lstHEX", "cmdPgUp"};
    for (const QString &next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), next);
    }
}

void TestFrmOrvane::aboutBox()
{
    MainWindowDriver w;
    ShownMessage seen;
    w.expectMessage("MsgBox", seen);
    w.action("mnuAbout")->trigger();
    QVERIFY(Modal::allHandled());
    QCOMPARE(seen.title, QString("Orvane"));
    QCOMPARE(seen.icon, QMessageBox::Information);
    QCOMPARE(seen.buttons, 1);
    QVERIFY(!seen.text.isEmpty());
    QVERIFY(!seen.text.contains('\n'));
    QVERIFY(w.window().isVisible());
    QCOMPARE(w.caption("lblTopline"), QString("0"));
}

void TestFrmOrvane::ipsCommandsDoNothing()
{
    TempFiles files;
    const QString rom = makeRom(files, 16000);
    const QByteArray before = files.read("game.smc");
    MainWindowDriver w;
    for (int state = 0; state < 2; ++state) {
        if (state == 1)
            w.openRom(rom);
        const QStringList rows = w.hexRows();
        for (const char *button : {"cmd5", "cmd6"}) {
            QVERIFY(!w.enabled(button));
            w.click(button);
        }
        for (const char *item : {"mnuCSP", "mnuMSP"}) {
            QVERIFY(!w.action(item)->isEnabled());
            w.action(item)->trigger();
        }
        QTest::qWait(20);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(w.hexRows(), rows);
    }
    QCOMPARE(files.read("game.smc"), before);
}

void TestFrmOrvane::exitClosesTheWindow()
{
    TempFiles files;
    {
        MainWindowDriver w;
        w.action("mnuExit")->trigger();
        QVERIFY(!w.window().isVisible());
    }
    MainWindowDriver w;
    w.openRom(makeRom(files, 100));
    w.click("cmd8");
    QVERIFY(!w.window().isVisible());
}

void TestFrmOrvane::currentLineStatus_data()
{
    QTest::addColumn<QString>("goTo"); // empty: stay at the top
    QTest::addColumn<int>("pageDowns");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("caption");
    QTest::newRow("top line 0, row 5") << "" << 0 << 5 << "80";
    QTest::newRow("top line 0, row 0") << "" << 0 << 0 << "0";
    QTest::newRow("top line 13, row 2") << "" << 1 << 2 << "240";
    QTest::newRow("top line 13, row 13") << "" << 1 << 13 << "416";
    QTest::newRow("top line 6.25, row 1") << "100" << 0 << 1 << "116";
    QTest::newRow("fractional offset") << "10.5" << 0 << 1 << "26.5";
}

void TestFrmOrvane::currentLineStatus()
{
    QFETCH(QString, goTo);
    QFETCH(int, pageDowns);
    QFETCH(int, row);
    QFETCH(QString, caption);
    TempFiles files;
    MainWindowDriver w;
    w.openRom(makeRom(files, 16000));
    w.moveOverBackground();
    QCOMPARE(w.caption("lblTopline"), QString("0"));
    QCOMPARE(w.caption("lblShowLine"), QString());
    for (int i = 0; i < pageDowns; ++i)
        w.click("cmdPgDn");
    if (!goTo.isEmpty())
        w.goTo(goTo);
    w.selectRow(row);
    QCOMPARE(w.textList()->currentRow(), row);
    QCOMPARE(w.caption("lblTopline"), caption);
    QCOMPARE(w.caption("lblShowLine"), w.textList()->item(row)->text());
    w.moveOverBackground();
    QCOMPARE(w.caption("lblTopline"), caption);
}

void TestFrmOrvane::arrowKeysMoveTheStatus()
{
    TempFiles files;
    MainWindowDriver w;
    w.openRom(makeRom(files, 16000));
    w.selectRow(3);
    QTest::keyClick(w.hexList(), Qt::Key_Down);
    QTest::keyClick(w.hexList(), Qt::Key_Down);
    QCOMPARE(w.caption("lblTopline"), QString("80"));
    QCOMPARE(w.textList()->currentRow(), 5);
    QTest::keyClick(w.hexList(), Qt::Key_Up);
    QCOMPARE(w.caption("lblTopline"), QString("64"));
    QCOMPARE(w.caption("lblShowLine"), w.textList()->item(4)->text());
}

void TestFrmOrvane::renderLeavesTheStatusLineUntilTheNextEvent()
{
    TempFiles files;
    MainWindowDriver w;
    w.openRom(makeRom(files, 16000));
    w.selectRow(4); // bytes 40 to 4F: 41 translates as "@"
    QCOMPARE(w.caption("lblShowLine"), QString("@"));
    w.click("cmdPgDn");
    QVERIFY(w.hexList()->selectedItems().isEmpty());
    QCOMPARE(w.caption("lblTopline"), QString("208"));
    QCOMPARE(w.caption("lblShowLine"), QString("@"));
    w.moveOverBackground();
    QCOMPARE(w.caption("lblShowLine"), QString());
    QCOMPARE(w.caption("lblTopline"), QString("208"));
    QCOMPARE(w.textList()->currentRow(), -1);
}

void TestFrmOrvane::controlCharactersStayOnOneLine()
{
    TempFiles files;
    const QString rom = files.write("ctl.smc", QByteArray(16, '\x01') + QByteArray(16, '\x02'));
    files.write("ctl.kel", QByteArray("\n\x00\r\tB\r", 6));
    MainWindowDriver w;
    w.openRom(rom);
    const QString shown = w.textList()->item(0)->text();
    QCOMPARE(shown, QString(QChar(0x240A)).append(QChar(0x2400)).repeated(16));
    QCOMPARE(w.textList()->item(1)->text(), (QString(QChar(0x2409)) + "B").repeated(16));
    w.selectRow(0);
    QVERIFY(!w.caption("lblShowLine").contains('\n'));
    QCOMPARE(w.caption("lblShowLine"), shown);
}

void TestFrmOrvane::deletedRomLeavesThePage()
{
    TempFiles files;
    const QString rom = makeRom(files, 16000);
    MainWindowDriver w;
    w.openRom(rom);
    w.click("cmdPgDn");
    const QStringList rows = w.hexRows();
    QFile::remove(rom);
    for (const char *command : {"cmdPgDn", "cmdPgUp", "cmd7"}) {
        ShownMessage seen;
        w.expectMessage("ErrorBox", seen);
        if (qstrcmp(command, "cmd7") == 0)
            answerInput("0");
        w.click(command);
        QTRY_VERIFY(Modal::allHandled());
        QVERIFY2(seen.text.contains(QDir::toNativeSeparators(rom)), qPrintable(seen.text));
        QCOMPARE(seen.title, QString("Orvane"));
        QCOMPARE(w.caption("lblTopline"), QString("208"));
        QCOMPARE(w.hexRows(), rows);
        QVERIFY(w.enabled("cmdPgUp"));
        QVERIFY(!QFile::exists(rom));
    }
}

void TestFrmOrvane::readOnlyRomCanBeViewed()
{
    ORVANE_RUN_UNPRIVILEGED();
    TempFiles files;
    const QString rom = makeRom(files, 16000);
    const auto readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    QVERIFY(QFile::setPermissions(rom, readable));
    QVERIFY(QFile::setPermissions(files.path("game.kel"), readable));
    QVERIFY2(!QFileInfo(rom).isWritable(), "permission bits must stop this user");
    MainWindowDriver w;
    w.openRom(rom);
    QCOMPARE(w.hexRows().first(), hexOfLineAt(0));
    w.click("cmdPgDn");
    QCOMPARE(w.caption("lblTopline"), QString("208"));
    QVERIFY(!QApplication::activeModalWidget());
}

void TestFrmOrvane::openRefusesWhatItCannotUse_data()
{
    QTest::addColumn<QString>("rom");
    QTest::addColumn<QString>("named"); // the file the message names, which is left as it was
    QTest::newRow("a ROM whose name ends in kel") << "Snorkel"
                                                  << "Snorkel";
    QTest::newRow("a table that is a named pipe") << "piped.smc"
                                                  << "piped.kel";
}

void TestFrmOrvane::openRefusesWhatItCannotUse()
{
    QFETCH(QString, rom);
    QFETCH(QString, named);
    TempFiles files;
    const QByteArray romBytes = TempFiles::pattern(1 << 16);
    files.write(rom, romBytes);
    std::optional<HeldPipe> pipe;
    if (named != rom)
        QVERIFY(pipe.emplace(files.path(named)).made());
    MainWindowDriver w(makeRom(files, 16000));
    w.click("cmdPgDn");
    const QStringList rows = w.hexRows();
    ShownMessage seen;
    w.expectMessage("ErrorBox", seen);
    w.openRom(files.path(rom));
    QVERIFY(Modal::allHandled());
    QVERIFY2(seen.text.contains(QDir::toNativeSeparators(files.path(named))), qPrintable(seen.text));
    QCOMPARE(w.hexRows(), rows);
    QCOMPARE(files.read(rom), romBytes);
    QVERIFY(!pipe || pipe->stillThere());
    // The ROM shown is still the one the commands work on.
    w.click("cmdPgDn");
    QCOMPARE(w.caption("lblTopline"), QString("416"));
}

QTEST_MAIN(TestFrmOrvane)
#include "tst_frmorvane.moc"
