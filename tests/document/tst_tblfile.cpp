#include "document/tblfile.h"
#include "platform/fileerror.h"
#include "support/tempfiles.h"

#include <QTest>

namespace {

using Entries = QMap<int, QByteArray>;

} // namespace

class tst_TblFile : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void utf16IsRefused();
    void write();
    void writeThenParseGivesTheTable();
};

void tst_TblFile::parse_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QList<int>>("warningLines");

    QTest::newRow("text kept exactly, hex of either case")
        << QByteArray("41=A\n42= b \nc3=x=y\n")
        << Entries{{0x41, "A"}, {0x42, " b "}, {0xC3, "x=y"}} << QList<int>{};
    QTest::newRow("LF, CR LF and CR; a byte-order mark")
        << QByteArray("\xEF\xBB\xBF"
                      "41=A\r\n42=B\r43=C\n44=D")
        << Entries{{0x41, "A"}, {0x42, "B"}, {0x43, "C"}, {0x44, "D"}} << QList<int>{};
    QTest::newRow("comments and blank lines")
        << QByteArray("# 41=X\n\n  \t\n41=A\n") << Entries{{0x41, "A"}} << QList<int>{};
    QTest::newRow("end token and line breaks")
        << QByteArray("/FF=<end>\n*FE\n*FD=<br>\n")
        << Entries{{0xFF, "<end>"}, {0xFE, "\n"}, {0xFD, "<br>"}} << QList<int>{};
    QTest::newRow("UTF-8 to Latin-1") << QByteArray("A5=\xC2\xA5\nE9=caf\xC3\xA9\n")
                                      << Entries{{0xA5, "\xA5"}, {0xE9, "caf\xE9"}} << QList<int>{};
    QTest::newRow("no entry: the empty table")
        << QByteArray("# a table\n\n") << Entries{} << QList<int>{};
    QTest::newRow("multi-byte keys only")
        << QByteArray("8140=\xE3\x80\x80\n") << Entries{} << QList<int>{1};
    QTest::newRow("what a .kel cannot hold")
        << QByteArray("41=A\n"
                      "8081=x\n"
                      "$F0=<color>,%2X\n"
                      "!F8=kanji,1\n"
                      "@main\n"
                      "00=<end>\n"
                      "42=\xE3\x81\x82\n"
                      "41=B\n"
                      "A=1\n"
                      "/<end>\n"
                      "43=\xFF\n"
                      "4G=z\n")
        << Entries{{0x41, "A"}} << QList<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
}

void tst_TblFile::parse()
{
    QFETCH(QByteArray, file);
    QFETCH(Entries, entries);
    QFETCH(QList<int>, warningLines);

    const TblFile::Parsed parsed = TblFile::parse(file);
    QVERIFY(parsed.problem.isEmpty());
    QCOMPARE(parsed.defined, entries.size());
    QCOMPARE(parsed.table.entry(0), QByteArray("\xA5"));
    for (int b = 1; b < KelTable::Size; ++b)
        QCOMPARE(parsed.table.entry(b), entries.value(b));
    QList<int> lines;
    for (const TblFile::Warning &warning : parsed.warnings) {
        lines.append(warning.line);
        QVERIFY(!warning.what.isEmpty());
    }
    QCOMPARE(lines, warningLines);
}

void tst_TblFile::utf16IsRefused()
{
    const QByteArray file("\xFF\xFE"
                          "4\0001\000=\000A\000",
                          10);
    const TblFile::Parsed parsed = TblFile::parse(file);
    QVERIFY(!parsed.problem.isEmpty());
    QCOMPARE(parsed.table.entry(0), QByteArray("\xA5"));
    TempFiles files;
    const QString path = files.write(QStringLiteral("t.tbl"), file);
    QVERIFY_THROWS_EXCEPTION(FileError, (void) TblFile::read(path));
}

void tst_TblFile::write()
{
    KelTable table;
    table.readRecords({});
    table.setEntry(0x0A, "\n");
    table.setEntry(0x41, "A");
    table.setEntry(0x42, " b");
    table.setEntry(0x43, "x\ny");
    table.setEntry(0xE9, "\xE9");
    const TblFile::Written written = TblFile::write(table);
    QCOMPARE(written.bytes,
             QByteArray("*0A\n"
                        "41=A\n"
                        "42= b\n"
                        "E9=\xC3\xA9\n"));
    QCOMPARE(written.leftOut.size(), 1);
    QVERIFY(written.leftOut.first().contains(QLatin1String("43")));
}

void tst_TblFile::writeThenParseGivesTheTable()
{
    // Every byte value in some entry but the line ends, which only a lone line feed may hold.
    KelTable table;
    table.readRecords({});
    for (int b = 1; b < KelTable::Size; ++b) {
        QByteArray text;
        for (int k = 0; k < b % 4; ++k) {
            const char c = static_cast<char>((b * 7 + k * 31) % 256);
            if (c != '\n' && c != '\r')
                text.append(c);
        }
        table.setEntry(b, text);
    }
    table.setEntry(0x0A, "\n");
    table.setEntry(0x20, " = # ");
    const TblFile::Written written = TblFile::write(table);
    QVERIFY(written.leftOut.isEmpty());
    const TblFile::Parsed parsed = TblFile::parse(written.bytes);
    QVERIFY(parsed.warnings.isEmpty());
    QCOMPARE(parsed.table.records(), table.records());
}

QTEST_GUILESS_MAIN(tst_TblFile)
#include "tst_tblfile.moc"
