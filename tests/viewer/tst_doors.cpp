#include "support/mainwindowdriver.h"
#include "support/modal.h"
#include "support/tempfiles.h"
#include "viewer/startoptions.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTest>
#include <QUrl>

Q_DECLARE_METATYPE(StartOptions::Action)

namespace {

// Sends a drag of urls over the window, and the drop when the window takes the drag.
bool drop(const MainWindowDriver &w, const QList<QUrl> &urls)
{
    QMimeData data;
    data.setUrls(urls);
    QWidget *target = w.window().centralWidget();
    const QPoint at(700, 330);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
}

} // namespace

// The ways into the window besides File > Open: its command line, a drop, the open dialog's
// filters, and captions that can be read whole.
class TestDoors : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void startOptions_data();
    void startOptions();
    void commandLineEndsBeforeAnyWindow_data();
    void commandLineEndsBeforeAnyWindow();
    void commandLineOpen();
    void dropOneFile();
    void refusedDrops_data();
    void refusedDrops();
    void openDialogFilters();
    void captionsFit();
};

void TestDoors::cleanup()
{
    Modal::forgetPending();
}

void TestDoors::startOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<StartOptions::Action>("action");
    QTest::addColumn<QString>("rom");
    using Action = StartOptions::Action;
    const QString here = QDir::currentPath();
    QTest::newRow("nothing") << QStringList{} << Action::Start << QString();
    QTest::newRow("a ROM") << QStringList{"/roms/Game.sfc"} << Action::Start << "/roms/Game.sfc";
    QTest::newRow("a relative ROM")
        << QStringList{"Game.smc"} << Action::Start << here + "/Game.smc";
    QTest::newRow("two ROMs") << QStringList{"a", "b"} << Action::Fail << QString();
    QTest::newRow("unknown option") << QStringList{"--bogus"} << Action::Fail << QString();
    QTest::newRow("help") << QStringList{"--help"} << Action::Print << QString();
    QTest::newRow("version") << QStringList{"--version"} << Action::Print << QString();
}

void TestDoors::startOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(StartOptions::Action, action);
    QFETCH(QString, rom);
    const StartOptions options = StartOptions::parse(QStringList{"orvane"} + arguments);
    QCOMPARE(options.action, action);
    QCOMPARE(options.rom, rom);
    if (action == StartOptions::Action::Fail)
        QVERIFY2(options.text.contains("Usage:"), qPrintable(options.text));
}

void TestDoors::commandLineEndsBeforeAnyWindow_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("display");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // on stdout for status 0, else on stderr
    QTest::newRow("two ROMs") << QStringList{"a", "b"} << true << 2 << "Usage:";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << true << 2 << "bogus";
    QTest::newRow("version") << QStringList{"--version"} << true << 0 << "Orvane 2.0";
    // Help and the version are printed wherever the program runs; the window names what it lacks.
    QTest::newRow("help, no display") << QStringList{"--help"} << false << 0 << "Usage:";
    QTest::newRow("version, no display") << QStringList{"-v"} << false << 0 << "Orvane 2.0";
    QTest::newRow("unknown option, no display") << QStringList{"--bogus"} << false << 2 << "bogus";
    QTest::newRow("window, no display")
        << QStringList{"game.smc"} << false << 2 << "orvane: no display was found";
}

void TestDoors::commandLineEndsBeforeAnyWindow()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, display);
    QFETCH(int, status);
    QFETCH(QString, said);
    QProcess orvane;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    if (display)
        environment.insert("QT_QPA_PLATFORM", "offscreen");
    orvane.setProcessEnvironment(environment);
    orvane.start(QStringLiteral(ORVANE_PROGRAM), arguments);
    QVERIFY(orvane.waitForFinished(20000));
    QCOMPARE(orvane.exitStatus(), QProcess::NormalExit);
    QCOMPARE(orvane.exitCode(), status);
    const QString output = QString::fromLocal8Bit(status == 0 ? orvane.readAllStandardOutput()
                                                              : orvane.readAllStandardError());
    QVERIFY2(output.contains(said), qPrintable(output));
}

void TestDoors::commandLineOpen()
{
    TempFiles files;
    files.write("game.kel", "A\r");
    const QString rom = files.write("game.smc", QByteArray("\x01\x02", 2));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(files.path({}));
    const StartOptions options = StartOptions::parse({"orvane", "game.smc"});
    QDir::setCurrent(previous);
    QCOMPARE(options.rom, rom);
    MainWindowDriver w(options.rom);
    QCOMPARE(w.hexRows().first().left(4), QString("0102"));
    QCOMPARE(w.textRows().first(), QString("A"));

    // A ROM that cannot be opened is told, and the window stays empty.
    MainWindowDriver empty;
    ShownMessage seen;
    empty.expectMessage("ErrorBox", seen);
    empty.openRom(files.path("missing.smc"));
    QVERIFY(Modal::allHandled());
    QVERIFY2(seen.text.contains(QDir::toNativeSeparators(files.path("missing.smc"))),
             qPrintable(seen.text));
    QCOMPARE(empty.hexList()->count(), 0);
    QVERIFY(!empty.enabled("cmd1"));
}

void TestDoors::dropOneFile()
{
    TempFiles files;
    const QString rom = files.write("dropped.sfc", QByteArray(64, '\x33'));
    MainWindowDriver w;
    QVERIFY(drop(w, {QUrl::fromLocalFile(rom)}));
    QCOMPARE(w.hexRows().first(), QString("33").repeated(16));
    QVERIFY(QFile::exists(files.path("dropped.kel")));
    QVERIFY(w.enabled("cmdPgDn"));
}

void TestDoors::refusedDrops_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    TempFiles files;
    QTest::newRow("two files") << QList<QUrl>{QUrl::fromLocalFile("/tmp/a.smc"),
                                              QUrl::fromLocalFile("/tmp/b.smc")};
    QTest::newRow("a folder") << QList<QUrl>{QUrl::fromLocalFile(QDir::tempPath())};
    QTest::newRow("a web address") << QList<QUrl>{QUrl("https://example.org/game.smc")};
    QTest::newRow("no file") << QList<QUrl>{};
}

void TestDoors::refusedDrops()
{
    QFETCH(QList<QUrl>, urls);
    TempFiles files;
    const QString rom = files.write("shown.smc", QByteArray(64, '\x44'));
    MainWindowDriver w(rom);
    w.click("cmdPgDn");
    const QStringList rows = w.hexRows();
    QVERIFY(!drop(w, urls));
    QCOMPARE(w.hexRows(), rows);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestDoors::openDialogFilters()
{
    TempFiles files;
    for (const char *name : {"lower.smc", "UPPER.SMC", "game.sfc", "GAME2.SFC", "notes.txt"})
        files.write(name, "x");
    MainWindowDriver w;
    QStringList filters;
    QString selected;
    QList<QStringList> listed;
    Modal::whenShown("cmnDialog", [&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        filters = dialog->nameFilters();
        selected = dialog->selectedNameFilter();
        dialog->setDirectory(files.path({}));
        auto *view = dialog->findChild<QListView *>("listView");
        for (const QString &filter : filters) {
            dialog->selectNameFilter(filter);
            QTest::qWait(50);
            QTRY_VERIFY(view->model()->rowCount(view->rootIndex()) >= 2);
            QStringList names;
            for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r)
                names << view->model()->index(r, 0, view->rootIndex()).data().toString();
            names.sort();
            listed << names;
        }
        Modal::finish(dialog, QDialog::Rejected);
    });
    w.action("mnuOpen")->trigger();
    QVERIFY(Modal::allHandled());
    QCOMPARE(filters.size(), 3);
    QCOMPARE(filters.first(), QString("SNES files (*.SMC)"));
    QCOMPARE(selected, filters.first());
    QCOMPARE(filters.last(), QString("All files (*)"));
    QCOMPARE(listed.value(0), QStringList({"UPPER.SMC", "lower.smc"}));
    QCOMPARE(listed.value(1), QStringList({"GAME2.SFC", "game.sfc"}));
    QCOMPARE(listed.value(2).size(), 5);
}

void TestDoors::captionsFit()
{
    MainWindowDriver w;
    auto shown = [](const QString &caption) {
        return QString(caption).replace(QRegularExpression("&(.)"), "\\1");
    };
    int checked = 0;
    for (QPushButton *button : w.window().centralWidget()->findChildren<QPushButton *>()) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents,
                                                           &option,
                                                           button);
        const int width = button->fontMetrics().horizontalAdvance(shown(button->text()));
        QVERIFY2(width <= room.width(),
                 qPrintable(
                     QString("%1: %2 > %3").arg(button->objectName()).arg(width).arg(room.width())));
        ++checked;
    }
    for (QLabel *label : w.window().centralWidget()->findChildren<QLabel *>()) {
        const int width = label->fontMetrics().horizontalAdvance(label->text());
        QVERIFY2(width <= label->contentsRect().width(),
                 qPrintable(QString("%1: %2 > %3")
                                .arg(label->objectName())
                                .arg(width)
                                .arg(label->contentsRect().width())));
        ++checked;
    }
    QCOMPARE(checked, 10 + 5);
    QVERIFY(!w.child("cmdPgUp")->toolTip().isEmpty());
}

QTEST_MAIN(TestDoors)
#include "tst_doors.moc"
