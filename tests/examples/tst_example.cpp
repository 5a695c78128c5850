#include "document/keltable.h"
#include "document/keltablefile.h"
#include "document/romline.h"
#include "support/mainwindowdriver.h"
#include "support/modal.h"
#include "support/tempfiles.h"

#include <QDir>
#include <QFile>
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

// The offset of the line the window brings to the top for a match whose first byte is at offset o.
QString topOffsetFor(qsizetype offset)
{
    return QString::number(16 * qsizetype(std::floor((offset + 2) / 16.0)));
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
    // The page's text column joined: 14 consecutive lines, so a phrase across two rows reads.
    [[nodiscard]] QString pageText() const { return m_viewer->textRows().join(QString()); }
    [[nodiscard]] QByteArray pattern(const QString &typed) const;

    QByteArray m_rom;
    QByteArray m_table;
    std::unique_ptr<TempFiles> m_files;
    std::unique_ptr<MainWindowDriver> m_viewer;
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
    m_viewer = std::make_unique<MainWindowDriver>(romPath);
    QCOMPARE(m_viewer->topOffset(), QStringLiteral("0"));
    QCOMPARE(m_viewer->hexRows().value(0), QString::fromLatin1(RomLine::LineHex(m_rom.left(16))));
}

void tst_Example::cleanup()
{
    QVERIFY(Modal::allHandled());
    m_viewer.reset();
    m_files.reset();
}

void tst_Example::cleanupTestCase()
{
    QCOMPARE(readFile(QDir(ExamplesDir).filePath(QStringLiteral("demo.smc"))), m_rom);
    QCOMPARE(readFile(QDir(ExamplesDir).filePath(QStringLiteral("demo.kel"))), m_table);
}

QByteArray tst_Example::pattern(const QString &typed) const
{
    KelTable table;
    table.readRecords(m_table);
    return table.encode(typed.toLatin1()).bytes;
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
    LoadTable(loaded, m_files->path(QStringLiteral("demo.kel")));
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
    m_viewer->find(phrase);

    const qsizetype offset = m_rom.indexOf(pattern(phrase));
    QVERIFY(offset > 0);
    QCOMPARE(m_viewer->topOffset(), topOffsetFor(offset));
    QVERIFY2(pageText().contains(phrase), qPrintable(pageText()));
    const qsizetype top = m_viewer->topOffset().toLongLong();
    QVERIFY(top > 0);
    QCOMPARE(m_viewer->hexRows().value(0),
             QString::fromLatin1(RomLine::LineHex(m_rom.mid(top, 16))));
}

void tst_Example::findNextShowsTheNextPlace()
{
    const QString phrase = QStringLiteral("the old mill");
    const QByteArray bytes = pattern(phrase);
    const qsizetype first = m_rom.indexOf(bytes);
    const qsizetype second = m_rom.indexOf(bytes, first + 1);
    QVERIFY(first > 0);
    QVERIFY2(second > first + 16 * 14, "the second place should lie on a later page");

    m_viewer->find(phrase);
    QCOMPARE(m_viewer->topOffset(), topOffsetFor(first));
    QVERIFY2(pageText().contains(phrase), qPrintable(pageText()));
    const QString firstPage = pageText();

    m_viewer->findNext();
    QCOMPARE(m_viewer->topOffset(), topOffsetFor(second));
    QVERIFY2(pageText().contains(phrase), qPrintable(pageText()));
    QVERIFY(pageText() != firstPage);
}

void tst_Example::goToThePointerTable()
{
    m_viewer->goTo(QStringLiteral("&H100"));
    QCOMPARE(m_viewer->topOffset(), QStringLiteral("256"));
    QCOMPARE(m_viewer->hexRows().value(0),
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
