#include "document/keltable.h"
#include "document/keltablefile.h"
#include "document/romline.h"
#include "support/modal.h"
#include "support/tempfiles.h"
#include "viewer/frmorvane.h"
#include "viewer/search.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

const QString ExamplesDir = QStringLiteral(ORVANE_EXAMPLES_DIR);

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

// Where the window puts the page for a match whose first byte is at offset o.
double topLineFor(qsizetype offset)
{
    return std::floor((offset + 2) / 16.0);
}

} // namespace

// The walk-through of the README on the demo ROM: open it, Find a phrase, Find Next, Go To.
class tst_Example : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void tableFileLayout();
    void textIsNotAscii();
    void findShowsTheSentence();
    void findNextShowsTheNextPlace();
    void goToThePointerTable();

private:
    void find(const QString &typed);
    void findNext();
    void goTo(const QString &offset);
    // The page's text column joined: 14 consecutive lines, so a phrase across two rows reads.
    [[nodiscard]] QString pageText() const;
    [[nodiscard]] QByteArray pattern(const QString &typed) const;

    template<typename T>
    [[nodiscard]] T *control(const char *name) const
    {
        auto *found = m_window->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }

    QByteArray m_rom;
    QByteArray m_table;
    std::unique_ptr<TempFiles> m_files;
    std::unique_ptr<frmOrvane> m_window;
};

void tst_Example::initTestCase()
{
    m_rom = readFile(QDir(ExamplesDir).filePath(QStringLiteral("demo.smc")));
    m_table = readFile(QDir(ExamplesDir).filePath(QStringLiteral("demo.kel")));
}

void tst_Example::init()
{
    // A copy, as the README tells a user to work on: the example files stay as committed.
    m_files = std::make_unique<TempFiles>();
    const QString romPath = m_files->write(QStringLiteral("demo.smc"), m_rom);
    m_files->write(QStringLiteral("demo.kel"), m_table);
    m_window = std::make_unique<frmOrvane>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->openRom(romPath);
    QCOMPARE(m_window->romPath(), romPath);
    QCOMPARE(m_window->tablePath(), m_files->path(QStringLiteral("demo.kel")));
    QCOMPARE(m_window->topLine(), 0.0);
}

void tst_Example::cleanup()
{
    QVERIFY(Modal::allHandled());
    m_window.reset();
    m_files.reset();
}

void tst_Example::cleanupTestCase()
{
    QCOMPARE(readFile(QDir(ExamplesDir).filePath(QStringLiteral("demo.smc"))), m_rom);
    QCOMPARE(readFile(QDir(ExamplesDir).filePath(QStringLiteral("demo.kel"))), m_table);
}

void tst_Example::find(const QString &typed)
{
    Modal::whenShown(QStringLiteral("InputBox"), [typed](QWidget *box) {
        auto *edit = box->findChild<QLineEdit *>();
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    QTest::mouseClick(control<QPushButton>("cmd3"), Qt::LeftButton);
}

void tst_Example::findNext()
{
    QTest::mouseClick(control<QPushButton>("cmd4"), Qt::LeftButton);
}

void tst_Example::goTo(const QString &offset)
{
    Modal::whenShown(QStringLiteral("InputBox"), [offset](QWidget *box) {
        auto *edit = box->findChild<QLineEdit *>();
        QTest::keyClicks(edit, offset);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    QTest::mouseClick(control<QPushButton>("cmd7"), Qt::LeftButton);
}

QString tst_Example::pageText() const
{
    QString text;
    auto *list = control<QListWidget>("lstKEL");
    for (int row = 0; row < list->count(); ++row)
        text += list->item(row)->text();
    return text;
}

QByteArray tst_Example::pattern(const QString &typed) const
{
    KelTable table;
    table.readRecords(m_table);
    return Search::textToBytes(typed.toLatin1(), table);
}

void tst_Example::tableFileLayout()
{
    // Exactly 255 records, entry 1 first, nothing after the last terminator: reading the file
    // and writing the table back gives the same bytes.
    QCOMPARE(m_table.count('\r'), KelTable::RecordCount);
    QVERIFY(m_table.endsWith('\r'));
    QVERIFY(!m_table.contains('\n'));
    KelTable table;
    table.readRecords(m_table);
    QCOMPARE(table.records(), m_table);
    QCOMPARE(table.entry(0), QByteArray("\xA5"));

    // The same file as the window reads it from beside the ROM.
    KelTable loaded;
    LoadTable(loaded, m_window->tablePath());
    QCOMPARE(loaded, table);
}

void tst_Example::textIsNotAscii()
{
    // The point of the demo: a plain text search finds nothing, the table's coding does, and
    // the letter pairs make the stored text shorter than the phrase.
    const QString phrase = QStringLiteral("Bring the brass key");
    QVERIFY(!m_rom.contains(phrase.toLatin1()));
    const QByteArray bytes = pattern(phrase);
    QVERIFY(m_rom.contains(bytes));
    QVERIFY(bytes.size() < phrase.size());
    QVERIFY(!pageText().contains(phrase));
}

void tst_Example::findShowsTheSentence()
{
    const QString phrase = QStringLiteral("Bring the brass key");
    find(phrase);

    const qsizetype offset = m_rom.indexOf(pattern(phrase));
    QVERIFY(offset > 0);
    QCOMPARE(m_window->searchBytes(), pattern(phrase));
    QCOMPARE(m_window->topLine(), topLineFor(offset));
    QVERIFY(m_window->topLine() > 0);
    QVERIFY2(pageText().contains(phrase), qPrintable(pageText()));
    const auto top = static_cast<qsizetype>(16 * m_window->topLine());
    QCOMPARE(control<QListWidget>("lstHEX")->item(0)->text(),
             QString::fromLatin1(RomLine::LineHex(m_rom.mid(top, 16))));
    QCOMPARE(control<QLabel>("lblTopline")->text(), QString::number(top));
}

void tst_Example::findNextShowsTheNextPlace()
{
    const QString phrase = QStringLiteral("the old mill");
    const QByteArray bytes = pattern(phrase);
    const qsizetype first = m_rom.indexOf(bytes);
    const qsizetype second = m_rom.indexOf(bytes, first + 1);
    QVERIFY(first > 0);
    QVERIFY2(second > first + 16 * 14, "the second place should lie on a later page");

    find(phrase);
    QCOMPARE(m_window->topLine(), topLineFor(first));
    QVERIFY2(pageText().contains(phrase), qPrintable(pageText()));
    const QString firstPage = pageText();

    findNext();
    QCOMPARE(m_window->topLine(), topLineFor(second));
    QVERIFY2(pageText().contains(phrase), qPrintable(pageText()));
    QVERIFY(pageText() != firstPage);
}

void tst_Example::goToThePointerTable()
{
    goTo(QStringLiteral("&H100"));
    QCOMPARE(m_window->topLine(), 16.0);
    QCOMPARE(control<QLabel>("lblTopline")->text(), QStringLiteral("256"));
    QCOMPARE(control<QListWidget>("lstHEX")->item(0)->text(),
             QString::fromLatin1(RomLine::LineHex(m_rom.mid(256, 16))));

    // Each pointer, low byte first, gives the offset of a sentence, which starts with a letter.
    int pointers = 0;
    for (qsizetype at = 256; static_cast<quint8>(m_rom.at(at)) != 0xFF; at += 2, ++pointers) {
        const int target = static_cast<quint8>(m_rom.at(at))
                           | (static_cast<quint8>(m_rom.at(at + 1)) << 8);
        QVERIFY(target > 0 && target < m_rom.size());
        QVERIFY2(static_cast<quint8>(m_rom.at(target)) >= 0x80, qPrintable(QString::number(target)));
    }
    QVERIFY(pointers > 0);
}

QTEST_MAIN(tst_Example)
#include "tst_example.moc"
