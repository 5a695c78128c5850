#include "document/keltable.h"
#include "document/romline.h"
#include "support/mainwindowdriver.h"
#include "support/modal.h"
#include "support/romdata.h"
#include "support/tempfiles.h"

#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>

#include <memory>

namespace {

using RomData::romWith;

// The table every test opens its ROM with: A, B and AB as in a game that stores a pair of
// letters in one byte, and X, Y, Z.
QByteArray tableFile()
{
    KelTable table = RomData::abTable();
    table.setEntry(0x58, "X");
    table.setEntry(0x59, "Y");
    table.setEntry(0x5A, "Z");
    return table.records();
}

// Records what the progress bar and the window's pointer look like whenever the bar paints.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QWidget *window)
        : m_window(window)
    {}

    int paints = 0;
    int busyPaints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            if (m_window->cursor().shape() == Qt::WaitCursor)
                ++busyPaints;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *m_window;
};

} // namespace

class tst_Find : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void placesMatch_data();
    void placesMatch();
    void inputBox();
    void greedyPattern();
    void notFoundShowsLineZero();
    void emptyPatternShowsLineZero();
    void findNextPassesOverNine();
    void findNextOnLastLine();
    void findNextWithoutPattern();
    void fractionalTopLine_data();
    void fractionalTopLine();
    void tinyRoms_data();
    void tinyRoms();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void menuShortcuts();
    void feedbackWhileSearching();
    void deletedRomLeavesWindow();

private:
    void open(const QByteArray &rom);
    [[nodiscard]] frmOrvane &window() const { return m_viewer->window(); }

    std::unique_ptr<TempFiles> m_files;
    std::unique_ptr<MainWindowDriver> m_viewer;
    QString m_romPath;
};

void tst_Find::init()
{
    m_files = std::make_unique<TempFiles>();
    m_viewer = std::make_unique<MainWindowDriver>();
}

void tst_Find::cleanup()
{
    QVERIFY(Modal::allHandled());
    m_viewer.reset();
    m_files.reset();
}

void tst_Find::open(const QByteArray &rom)
{
    m_romPath = m_files->write(QStringLiteral("game.smc"), rom);
    m_files->write(QStringLiteral("game.kel"), tableFile());
    m_viewer->openRom(m_romPath);
    QCOMPARE(window().romPath(), m_romPath);
}

void tst_Find::placesMatch_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<double>("topLine");

    QTest::newRow("offset 0") << 0 << 0.0;
    QTest::newRow("offset 13") << 13 << 0.0;
    QTest::newRow("offset 14") << 14 << 1.0;
    QTest::newRow("offset 15") << 15 << 1.0;
    QTest::newRow("offset 16") << 16 << 1.0;
    QTest::newRow("offset 1000") << 1000 << 62.0;
}

void tst_Find::placesMatch()
{
    QFETCH(int, offset);
    QFETCH(double, topLine);

    const QByteArray rom = romWith(2048, {{offset, "XYZ"}});
    open(rom);
    m_viewer->find(QStringLiteral("XYZ"));

    QCOMPARE(window().topLine(), topLine);
    QCOMPARE(m_viewer->topOffset(), QString::number(16 * topLine));
    const QByteArray line = rom.mid(static_cast<qsizetype>(16 * topLine), 16);
    QCOMPARE(m_viewer->hexRows().value(0), QString::fromLatin1(RomLine::LineHex(line)));
}

void tst_Find::inputBox()
{
    open(romWith(64, {}));
    QString title;
    QString prompt;
    QString text = QStringLiteral("not empty");
    Modal::whenShown(QStringLiteral("InputBox"), [&](QWidget *box) {
        auto *input = qobject_cast<QInputDialog *>(box);
        QVERIFY(input);
        title = input->windowTitle();
        prompt = input->labelText();
        text = input->textValue();
        Modal::finish(box, QDialog::Rejected);
    });
    m_viewer->click(QStringLiteral("cmd3"));
    QCOMPARE(title, QStringLiteral("Find"));
    QCOMPARE(prompt, QStringLiteral("Enter characters to search for:"));
    QCOMPARE(text, QString());
}

void tst_Find::greedyPattern()
{
    // ABA is AB then A: 43 41, found where those two bytes stand and not at the letters.
    open(romWith(256, {{20, "ABA"}, {100, "CA"}}));
    m_viewer->find(QStringLiteral("ABA"));
    QCOMPARE(window().searchBytes(), QByteArray("CA"));
    QCOMPARE(window().topLine(), 6.0);
}

void tst_Find::notFoundShowsLineZero()
{
    open(romWith(256, {}));
    m_viewer->goTo(QStringLiteral("160"));
    QCOMPARE(window().topLine(), 10.0);
    m_viewer->find(QStringLiteral("XYZ"));
    QCOMPARE(window().topLine(), 0.0);
    QCOMPARE(m_viewer->topOffset(), QStringLiteral("0"));
}

void tst_Find::emptyPatternShowsLineZero()
{
    // No translation starts the text: no search, even though the ROM holds AB.
    open(romWith(256, {{100, "AB"}}));
    m_viewer->goTo(QStringLiteral("160"));
    m_viewer->find(QStringLiteral("xAB"));
    QCOMPARE(window().searchBytes(), QByteArray());
    QCOMPARE(window().topLine(), 0.0);
    QCOMPARE(m_viewer->hexRows().value(0),
             QString::fromLatin1(RomLine::LineHex(QByteArray(16, '.'))));
}

void tst_Find::findNextPassesOverNine()
{
    open(romWith(256, {{3, "XY"}, {9, "XY"}, {15, "XY"}, {100, "XY"}}));
    m_viewer->find(QStringLiteral("XY"));
    QCOMPARE(window().topLine(), 0.0);
    m_viewer->findNext();
    QCOMPARE(window().topLine(), 1.0);
    // From the last byte of line 1 (offset 31) on: the one at 100 is next.
    m_viewer->findNext();
    QCOMPARE(window().topLine(), 6.0);
    // Nothing more: the page moves down one line.
    m_viewer->findNext();
    QCOMPARE(window().topLine(), 7.0);
}

void tst_Find::findNextOnLastLine()
{
    open(romWith(64, {{63, "X"}}));
    m_viewer->find(QStringLiteral("X"));
    // A one-byte pattern on the last byte is found there.
    QCOMPARE(window().topLine(), 4.0);
    m_viewer->goTo(QStringLiteral("48"));
    QCOMPARE(window().topLine(), 3.0);
    m_viewer->findNext();
    QCOMPARE(window().topLine(), 4.0);
    m_viewer->findNext();
    QCOMPARE(window().topLine(), 5.0);
}

void tst_Find::findNextWithoutPattern()
{
    open(romWith(256, {{100, "X"}}));
    m_viewer->goTo(QStringLiteral("160"));
    m_viewer->findNext();
    QCOMPARE(window().topLine(), 0.0);
}

void tst_Find::fractionalTopLine_data()
{
    QTest::addColumn<QString>("offset");
    QTest::addColumn<int>("second");
    QTest::addColumn<double>("topLine");

    // Offset 10.5 starts at position 26.5, which goes to 26: the X at offset 25 is found.
    QTest::newRow("half down") << QStringLiteral("10.5") << 25 << 1.0;
    // Offset 11.5 starts at position 27.5, which goes to 28: the X at offset 26 is passed over.
    QTest::newRow("half up") << QStringLiteral("11.5") << 26 << 2.0;
}

void tst_Find::fractionalTopLine()
{
    QFETCH(QString, offset);
    QFETCH(int, second);
    QFETCH(double, topLine);

    open(romWith(256, {{second, "X"}, {40, "X"}}));
    m_viewer->find(QStringLiteral("X"));
    m_viewer->goTo(offset);
    QCOMPARE(window().topLine(), offset.toDouble() / 16);
    m_viewer->findNext();
    QCOMPARE(window().topLine(), topLine);
}

void tst_Find::tinyRoms_data()
{
    QTest::addColumn<QByteArray>("rom");
    QTest::addColumn<QString>("offset");

    QTest::newRow("0 bytes") << QByteArray() << QStringLiteral("0");
    QTest::newRow("1 byte") << QByteArray("X") << QStringLiteral("1");
}

void tst_Find::tinyRoms()
{
    QFETCH(QByteArray, rom);
    QFETCH(QString, offset);

    open(rom);
    m_viewer->goTo(offset);
    QCOMPARE(window().topLine(), offset.toDouble() / 16);
    m_viewer->find(QStringLiteral("X"));
    QCOMPARE(window().searchBytes(), QByteArray("X"));
    QCOMPARE(window().topLine(), 0.0);
    QVERIFY(!m_viewer->child<QProgressBar>(QStringLiteral("pgsSearch"))->isVisible());
}

void tst_Find::cancelChangesNothing_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("cancelled") << true;
    QTest::newRow("nothing typed") << false;
}

void tst_Find::cancelChangesNothing()
{
    QFETCH(bool, cancel);

    open(romWith(256, {{40, "XY"}, {100, "XY"}}));
    m_viewer->find(QStringLiteral("XY"));
    QCOMPARE(window().topLine(), 2.0);
    const QStringList rows = m_viewer->hexRows();

    Modal::whenShown(QStringLiteral("InputBox"), [cancel](QWidget *box) {
        if (cancel)
            QTest::keyClick(box->findChild<QLineEdit *>(), Qt::Key_Escape);
        else
            QTest::keyClick(box->findChild<QLineEdit *>(), Qt::Key_Return);
    });
    m_viewer->click(QStringLiteral("cmd3"));
    QCOMPARE(window().topLine(), 2.0);
    QCOMPARE(m_viewer->hexRows(), rows);
    QCOMPARE(window().searchBytes(), QByteArray("XY"));
    QVERIFY(window().cursor().shape() != Qt::WaitCursor);

    // Find Next still has the pattern.
    m_viewer->findNext();
    QCOMPARE(window().topLine(), 6.0);
}

void tst_Find::menuShortcuts()
{
    open(romWith(256, {{40, "XY"}, {100, "XY"}}));
    m_viewer->activate();

    answerInput(QStringLiteral("XY"));
    m_viewer->pressKeys(QKeySequence(QStringLiteral("Ctrl+F")));
    QVERIFY(Modal::allHandled());
    QCOMPARE(window().topLine(), 2.0);

    // The box has closed; the main window takes the keys again once it is active.
    m_viewer->activate();
    m_viewer->pressKeys(QKeySequence(QStringLiteral("F3")));
    QCOMPARE(window().topLine(), 6.0);

    m_viewer->action(QStringLiteral("mnuFindN"))->trigger();
    QCOMPARE(window().topLine(), 7.0);
}

void tst_Find::feedbackWhileSearching()
{
    // Long enough for several reads; the bar paints at least when it is first shown.
    const qsizetype offset = (3 << 20) - 10;
    const QByteArray rom = romWith(3 << 20, {{offset, "XYZ"}});
    open(rom);
    auto *bar = m_viewer->child<QProgressBar>(QStringLiteral("pgsSearch"));
    PaintWatch watch(&window());
    bar->installEventFilter(&watch);
    m_viewer->find(QStringLiteral("XYZ"));
    bar->removeEventFilter(&watch);

    QVERIFY(watch.paints >= 1);
    QCOMPARE(watch.busyPaints, watch.paints);
    QVERIFY(!bar->isVisible());
    QCOMPARE(bar->maximum(), rom.size());
    QVERIFY(window().cursor().shape() != Qt::WaitCursor);
    QCOMPARE(window().topLine(), double((offset + 2) / 16));
}

void tst_Find::deletedRomLeavesWindow()
{
    open(romWith(256, {{40, "XY"}}));
    m_viewer->find(QStringLiteral("XY"));
    QCOMPARE(window().topLine(), 2.0);
    const QStringList rows = m_viewer->hexRows();
    const QString offset = m_viewer->topOffset();
    QVERIFY(QFile::remove(m_romPath));

    bool barHidden = false;
    bool pointerRestored = false;
    Modal::whenShown(QStringLiteral("FileErrorBox"), [&](QWidget *box) {
        barHidden = !m_viewer->child<QProgressBar>(QStringLiteral("pgsSearch"))->isVisible();
        pointerRestored = window().cursor().shape() != Qt::WaitCursor;
        Modal::finish(box, QDialog::Accepted);
    });
    m_viewer->find(QStringLiteral("AB"));

    QVERIFY(Modal::allHandled());
    QVERIFY(barHidden);
    QVERIFY(pointerRestored);
    QCOMPARE(window().topLine(), 2.0);
    QCOMPARE(m_viewer->hexRows(), rows);
    QCOMPARE(m_viewer->topOffset(), offset);
    // The pattern just built is kept.
    QCOMPARE(window().searchBytes(), QByteArray("C"));
}

QTEST_MAIN(tst_Find)
#include "tst_find.moc"
