#include "clirun.h"

#include "document/keltable.h"
#include "document/keltablefile.h"
#include "document/navigation.h"
#include "platform/filesearch.h"
#include "support/romdata.h"
#include "support/tempfiles.h"
#include "support/unprivileged.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

using RomData::romWith;

// An offset as orvane-cli prints it.
QString shown(qint64 offset)
{
    return QStringLiteral("%1 (0x%2)").arg(offset).arg(QString::number(offset, 16).toUpper());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The window's Find test table: A, B, AB, X, Y, Z.
KelTable findTable()
{
    KelTable table = RomData::abTable();
    table.readRecords({});
    table.setEntry(0x58, "X");
    table.setEntry(0x59, "Y");
    table.setEntry(0x5A, "Z");
    return table;
}

} // namespace

class tst_Cli : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void usageAndFileErrors_data();
    void usageAndFileErrors();
    void dumpLines();
    void findAgreesWithTheWindow_data();
    void findAgreesWithTheWindow();
    void findWithATblTable();
    void japaneseTable();
    void encodeAndDecode_data();
    void encodeAndDecode();
    void relsearchDraftsTheDemoTable();
    void relsearchWritesNothingWithoutAHit();
    void tableImport();
    void tableExportImportRoundTrip();
    void helpFitsEightyColumns();
    void unreadableInput_data();
    void unreadableInput();

private:
    QString rom(const QByteArray &bytes);

    std::unique_ptr<TempFiles> m_files;
};

void tst_Cli::init()
{
    m_files = std::make_unique<TempFiles>();
}

QString tst_Cli::rom(const QByteArray &bytes)
{
    m_files->write(QStringLiteral("game.kel"), findTable().records());
    return m_files->write(QStringLiteral("game.smc"), bytes);
}

void tst_Cli::usageAndFileErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("says"); // on stdout when the exit status is 0, else on stderr

    const QString game = QStringLiteral("$ROM");
    QTest::newRow("help lists the commands") << QStringList{"--help"} << 0 << "relsearch";
    QTest::newRow("help lists --version") << QStringList{"--help"} << 0 << "\n  --version ";
    QTest::newRow("not a command") << QStringList{"frob"} << 2 << "'frob' is not a command";
    QTest::newRow("find --help") << QStringList{"find", "--help"} << 0
                                 << "Usage: orvane-cli find [options] ROM TEXT";
    QTest::newRow("missing ROM") << QStringList{
        "find",
        "$DIR/none.smc",
        "XY"} << 2 << "orvane-cli find: cannot open \"$DIR/none.smc\": No such file or directory\n";
    // Without a table a search could only fail for some other reason, and a dump spell nothing.
    QTest::newRow("no table, find")
        << QStringList{"find", "$DIR/lone.smc", "XY"} << 2
        << "find: no table was found for \"$DIR/lone.smc\": there is no \"$DIR/lone.kel\"";
    QTest::newRow("no table, dump")
        << QStringList{"dump", "$DIR/lone.smc"} << 2 << "there is no \"$DIR/lone.kel\" beside it";
    QTest::newRow("folder as ROM") << QStringList{"dump", "$DIR"} << 2 << "It is a folder";
    QTest::newRow("missing TEXT") << QStringList{"find", game} << 2 << "expects ROM TEXT";
    QTest::newRow("--from beyond the end")
        << QStringList{"find", game, "XY", "--from", "0x101"} << 2 << "beyond the end";
    QTest::newRow("--from no number")
        << QStringList{"dump", game, "--from", "12abc"} << 2 << "is no number";
    QTest::newRow("TEXT the table cannot spell")
        << QStringList{"find", game, "XYQ"} << 1 << "after \"XY\", no entry spells \"Q\"";
    QTest::newRow("no spelling at all") << QStringList{"find", game, "XQ", "--any-encoding"} << 1
                                        << "no run of the table's entries";
    QTest::newRow("not found") << QStringList{"find", game, "ZZ"} << 1 << "not found";
    QTest::newRow("relsearch of one letter")
        << QStringList{"relsearch", game, "a"} << 2 << "two letters of one case";
}

void tst_Cli::usageAndFileErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exit);
    QFETCH(QString, says);

    const QString romPath = rom(romWith(256, {{40, "XY"}}));
    m_files->write(QStringLiteral("lone.smc"), romWith(256, {{40, "XY"}}));
    const QString dir = QFileInfo(romPath).path();
    for (QString &argument : arguments) {
        argument.replace(QLatin1String("$ROM"), romPath);
        argument.replace(QLatin1String("$DIR"), dir);
    }
    says.replace(QLatin1String("$DIR"), dir);
    const CliRun run = CliRun::run(arguments);
    QCOMPARE(run.exitCode, exit);
    QVERIFY2((exit == 0 ? run.out : run.err).contains(says), qPrintable(run.out + run.err));
    if (exit != 0)
        QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
}

void tst_Cli::dumpLines()
{
    QByteArray bytes = romWith(20, {{0, "XY"}, {16, "AB"}});
    bytes[2] = '\n';
    bytes[3] = '\0';
    KelTable table = findTable();
    table.setEntry(0x0A, "\n");
    table.setEntry(0x2E, "\xE9");
    m_files->write(QStringLiteral("game.kel"), table.records());
    const QString romPath = m_files->write(QStringLiteral("game.smc"), bytes);

    CliRun run = CliRun::run({"dump", romPath});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out,
             QString::fromUtf8(" 0 (0x00)  58590A002E2E2E2E2E2E2E2E2E2E2E2E  XY␊¥éééééééééééé\n"
                               "16 (0x10)  41422E2E                          ABéé\n"));
    run = CliRun::run({"dump", romPath, "--text", "--from", "&H10", "--length", "3"});
    QCOMPARE(run.out, QStringLiteral("ABé\n"));
    run = CliRun::run({"dump", romPath, "--text", "--raw", "--length", "3"});
    QCOMPARE(run.out, QStringLiteral("XY\n\n"));
}

void tst_Cli::findAgreesWithTheWindow_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("arguments"); // after ROM
    QTest::addColumn<QList<qint64>>("offsets");
    // Where the window's Find or Find Next shows the page for the same search, as
    // tests/viewer/tst_find.cpp has it, or -1 where there is no window counterpart.
    QTest::addColumn<double>("windowTopLine");

    const QStringList xyz{"XYZ"};
    for (const auto &[offset, top] : std::initializer_list<std::pair<int, double>>{{0, 0},
                                                                                   {13, 0},
                                                                                   {14, 1},
                                                                                   {15, 1},
                                                                                   {16, 1},
                                                                                   {1000, 62}}) {
        QTest::addRow("match at %d", offset)
            << romWith(2048, {{offset, "XYZ"}}) << xyz << QList<qint64>{offset} << top;
    }
    QTest::newRow("greedy pattern") << romWith(256, {{20, "ABA"}, {100, "CA"}})
                                    << QStringList{"ABA"} << QList<qint64>{100} << 6.0;
    QTest::newRow("not found") << romWith(256, {}) << xyz << QList<qint64>{} << 0.0;
    QTest::newRow("no entry starts the text")
        << romWith(256, {{100, "AB"}}) << QStringList{"xAB"} << QList<qint64>{} << 0.0;
    const QByteArray nine = romWith(256, {{3, "XY"}, {9, "XY"}, {15, "XY"}, {100, "XY"}});
    QTest::newRow("find, then next passes over nine")
        << nine << QStringList{"XY"} << QList<qint64>{3} << 0.0;
    // --from searches from that byte itself, where the window's Find Next starts 15 bytes on.
    QTest::newRow("--from a match's own byte")
        << nine << QStringList{"XY", "--from", "3"} << QList<qint64>{3} << -1.0;
    QTest::newRow("--from 0") << nine << QStringList{"XY", "--from", "0"} << QList<qint64>{3}
                              << -1.0;
    QTest::newRow("--from 16") << nine << QStringList{"XY", "--from", "16"} << QList<qint64>{100}
                               << -1.0;
    QTest::newRow("--from past the last match")
        << nine << QStringList{"XY", "--from", "101"} << QList<qint64>{} << -1.0;
    const QByteArray last = romWith(64, {{63, "X"}});
    QTest::newRow("one byte on the last") << last << QStringList{"X"} << QList<qint64>{63} << 4.0;
    QTest::newRow("--from the last byte")
        << last << QStringList{"X", "--from", "63"} << QList<qint64>{63} << -1.0;
    QTest::newRow("--from the end")
        << last << QStringList{"X", "--from", "64"} << QList<qint64>{} << -1.0;
    const QByteArray near = romWith(256, {{11, "X"}, {40, "X"}});
    QTest::newRow("fraction, half down")
        << near << QStringList{"X", "--from", "10.5"} << QList<qint64>{11} << -1.0;
    QTest::newRow("fraction, half up")
        << near << QStringList{"X", "--from", "11.5"} << QList<qint64>{40} << -1.0;
    QTest::newRow("0 bytes") << QByteArray() << QStringList{"X"} << QList<qint64>{} << 0.0;
    QTest::newRow("1 byte") << QByteArray("X") << QStringList{"X"} << QList<qint64>{} << 0.0;
    QTest::newRow("--all") << nine << QStringList{"XY", "--all"} << QList<qint64>{3, 9, 15, 100}
                           << -1.0;
    QTest::newRow("--all --from 4")
        << nine << QStringList{"XY", "--all", "--from", "4"} << QList<qint64>{9, 15, 100} << -1.0;
    QTest::newRow("--any-encoding")
        << romWith(256, {{20, "ABA"}, {100, "CA"}}) << QStringList{"ABA", "--any-encoding", "--all"}
        << QList<qint64>{20, 100} << -1.0;
}

void tst_Cli::findAgreesWithTheWindow()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, arguments);
    QFETCH(QList<qint64>, offsets);
    QFETCH(double, windowTopLine);

    const CliRun run = CliRun::run(QStringList{"find", rom(bytes)} + arguments);
    QCOMPARE(run.exitCode, offsets.isEmpty() ? 1 : 0);
    QString expected;
    for (const qint64 offset : offsets)
        expected += shown(offset) + '\n';
    QCOMPARE(run.out, expected);

    if (windowTopLine < 0)
        return;
    // The window's page rules take the same result to the page its test expects.
    const qint64 start = Navigation::startPosition(Navigation::FindFrom::Start, 0);
    QCOMPARE(Navigation::topLineAfterFind(offsets.isEmpty() ? start : offsets.first() + 1),
             windowTopLine);
}

void tst_Cli::findWithATblTable()
{
    const QString romPath = rom(romWith(64, {{10, "\x90\x91"}}));
    const QString tbl = m_files->write(QStringLiteral("t.tbl"),
                                       "90=\xC3\xA9\n91=t\n8081=x\n!F8=kanji\n");
    CliRun run = CliRun::run({"find", romPath, "\u00E9t", "--table", tbl});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("10 (0xA)\n"));
    QVERIFY2(run.err.contains(tbl + QStringLiteral(":4: \"!F8=kanji\" left out")),
             qPrintable(run.err));
    run = CliRun::run({"find", romPath, "\u00E9t", "--table", tbl, "--strict"});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.out.isEmpty() && run.err.contains(QLatin1String(":4:")), qPrintable(run.err));

    const QString empty = m_files->write(QStringLiteral("empty.tbl"), "# nothing\n");
    run = CliRun::run({"find", romPath, "t", "--table", empty});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QLatin1String("no entry spells \"t\" at character 1")),
             qPrintable(run.err));
}

void tst_Cli::japaneseTable()
{
    // Kana of one byte, a full-width space and a kanji of two, an end token, a line break.
    const QString tbl = m_files
                            ->write(QStringLiteral("jp.tbl"),
                                    "8140=\xE3\x80\x80\r\n10=\xE3\x81\x82\r\n"
                                    "11=\xE3\x81\x84\r\n889F=\xE4\xBA\x9C\r\n/FF=<end>\r\n*FE\r\n");
    const QByteArray bytes = QByteArray(11, '\x10') + QByteArray::fromHex("81401011889FFF10FE1111");
    const QString romPath = m_files->write(QStringLiteral("jp.smc"), bytes);

    CliRun run = CliRun::run({"dump", romPath, "--table", tbl});
    QCOMPARE(run.exitCode, 0);
    // The kanji at 15 and 16 straddles two lines: its text is the first line's.
    QCOMPARE(run.out,
             " 0 (0x00)  10101010101010101010108140101188  " + QString(11, u'\u3042')
                 + "\u3000\u3042\u3044\u4E9C\n"
                   "16 (0x10)  9FFF10FE1111"
                 + QString(20, ' ') + "  <end>\u3042\u240A\u3044\u3044\n");
    run = CliRun::run({"dump", romPath, "--table", tbl, "--text", "--from", "11"});
    QCOMPARE(run.out, QStringLiteral("\u3000\u3042\u3044\u4E9C<end>\n\u3042\u240A\n\u3044\u3044\n"));
    run = CliRun::run({"dump", romPath, "--table", tbl, "--text", "--from", "12", "--length", "4"});
    QCOMPARE(run.out, QStringLiteral("<$40>\u3042\u3044<$88>\n"));

    // A kanji across the 64 KiB that dump reads at a time.
    const QString big = m_files->write(QStringLiteral("big.smc"),
                                       QByteArray(65535, '\x10') + QByteArray::fromHex("889F"));
    run = CliRun::run({"dump", big, "--table", tbl, "--text"});
    QCOMPARE(run.out, QString(65535, u'\u3042') + "\u4E9C\n");

    run = CliRun::run({"find", romPath, "\u3042\u3044", "--table", tbl, "--all"});
    QCOMPARE(run.out, QStringLiteral("13 (0xD)\n"));
    run = CliRun::run({"find", romPath, "\u3044\u3044", "--table", tbl, "--any-encoding"});
    QCOMPARE(run.out, QStringLiteral("20 (0x14)\n"));

    run = CliRun::run({"encode", "--table", tbl, "\u3000\u3042\u3044\u4E9C<end>"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("81 40 10 11 88 9F FF\n"));
    QCOMPARE(run.err, QStringLiteral("7 bytes\n"));
    for (const char *hex : {"81 40 10 11 88 9F FF", "814010 11889fff"}) {
        run = CliRun::run({"decode", "--table", tbl, hex});
        QCOMPARE(run.out, QStringLiteral("\u3000\u3042\u3044\u4E9C<end>\n"));
    }
}

void tst_Cli::encodeAndDecode_data()
{
    QTest::addColumn<QStringList>("arguments"); // $T is the table
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err"); // a part of it

    QTest::newRow("longest text first")
        << QStringList{"encode", "--table", "$T", "abcde"} << 0 << "C0 64 65\n"
        << "3 bytes";
    QTest::newRow("--shortest") << QStringList{"encode", "--table", "$T", "abcde", "--shortest"}
                                << 0 << "61 C1\n"
                                << "2 bytes";
    QTest::newRow("a typed byte") << QStringList{"encode", "--table", "$T", "<$0a>"} << 0 << "0A\n"
                                  << "1 byte";
    QTest::newRow("a character no entry spells")
        << QStringList{"encode", "--table", "$T", "adz"} << 2 << ""
        << "no entry spells \"z\" at character 3";
    QTest::newRow("bytes that would read as something else")
        << QStringList{"encode", "--table", "$T", "<$F0>d"} << 2 << ""
        << "reads back";
    QTest::newRow("no --table") << QStringList{"encode", "abc"} << 2 << ""
                                << "needs --table";
    QTest::newRow("decode") << QStringList{"decode", "--table", "$T", "c0 F064 12"} << 0
                            << "abc\u00E9<$12>\n"
                            << "";
    QTest::newRow("decode of odd digits")
        << QStringList{"decode", "--table", "$T", "C0 6"} << 2 << ""
        << "two digits a byte";
    QTest::newRow("decode of a .kel")
        << QStringList{"decode", "--table", "$K", "410000"} << 0 << "A\u00A5\u00A5\n"
        << "";
}

void tst_Cli::encodeAndDecode()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exit);
    QFETCH(QString, out);
    QFETCH(QString, err);

    const QString tbl = m_files->write(QStringLiteral("dte.tbl"),
                                       "61=a\n64=d\n65=e\nC0=abc\nC1=bcde\nF064=\xC3\xA9\n");
    const QString kel = m_files->write(QStringLiteral("t.kel"), findTable().records());
    for (QString &argument : arguments)
        argument.replace(QLatin1String("$T"), tbl).replace(QLatin1String("$K"), kel);
    const CliRun run = CliRun::run(arguments);
    QCOMPARE(run.exitCode, exit);
    QCOMPARE(run.out, out);
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
}

void tst_Cli::relsearchDraftsTheDemoTable()
{
    // The demo ROM without its table, as a game whose coding is not known yet.
    const QByteArray demo = readFile(QStringLiteral(ORVANE_EXAMPLES_DIR "/demo.smc"));
    KelTable real;
    real.readRecords(readFile(QStringLiteral(ORVANE_EXAMPLES_DIR "/demo.kel")));
    QVERIFY(!demo.isEmpty());
    const QString romPath = m_files->write(QStringLiteral("demo.smc"), demo);
    const qsizetype at = demo.indexOf(real.encode("Welcome, [NAME]!").bytes);
    QVERIFY(at > 0);

    const QString draft = m_files->path(QStringLiteral("draft.kel"));
    CliRun run = CliRun::run({"relsearch", romPath, "Welcome", "--all", "--write-table", draft});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, shown(at) + QStringLiteral("  A=80 a=A0\n"));

    // The draft has no marks, spaces, name or letter pairs: the sentence reads with them left
    // out, "Welcome, [NAME]! The ferry leaves at dawn." without its "er" among them.
    const qsizetype end = demo.indexOf('\0', at);
    run = CliRun::run({"dump",
                       romPath,
                       "--text",
                       "--from",
                       QString::number(at),
                       "--length",
                       QString::number(end - at),
                       "--table",
                       draft});
    QCOMPARE(run.out, QStringLiteral("WelcomeThefryleavesatdawn\n"));
}

void tst_Cli::relsearchWritesNothingWithoutAHit()
{
    const QString romPath = rom(QByteArray(64, '\0'));
    const QString draft = m_files->path(QStringLiteral("draft.tbl"));
    QCOMPARE(CliRun::run({"relsearch", romPath, "abc", "--write-table", draft}).exitCode, 1);
    QVERIFY(!QFile::exists(draft));
    QCOMPARE(CliRun::run({"relsearch", romPath, "abc", "--write-table", romPath}).exitCode, 2);
    QCOMPARE(readFile(romPath), QByteArray(64, '\0'));
}

void tst_Cli::tableImport()
{
    const QString tbl = m_files->write(QStringLiteral("in.tbl"),
                                       "\xEF\xBB\xBF# made by hand\r\n"
                                       "01=A\r\n"
                                       "0102=AB\r\n"
                                       "03= c \r\n");
    const QString kel = m_files->path(QStringLiteral("out.kel"));
    CliRun run = CliRun::run({"table", "import", tbl, kel, "--strict"});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(tbl + QStringLiteral(":3: \"0102=AB\" left out")),
             qPrintable(run.err));
    QVERIFY(!QFile::exists(kel));

    // What is left out comes first, the line that says what was written last; both are status.
    run = CliRun::run({"table", "import", tbl, kel});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QString());
    QVERIFY2(run.err.startsWith(tbl + QStringLiteral(":3: "))
                 && run.err.endsWith(
                     QStringLiteral("Wrote 2 entries to \"%1\"; 1 line(s) left out.\n").arg(kel)),
             qPrintable(run.err));
    QCOMPARE(readFile(kel), QByteArray("A\r\r c \r") + QByteArray(252, '\r'));

    // A failed import leaves the table there as it was.
    const QString utf16 = m_files->write(QStringLiteral("utf16.tbl"),
                                         QByteArray("\xFF\xFE\x34\0", 4));
    QCOMPARE(CliRun::run({"table", "import", utf16, kel}).exitCode, 2);
    QCOMPARE(CliRun::run({"table", "import", tbl, m_files->path("no/such/folder/out.kel")}).exitCode,
             2);
    QCOMPARE(CliRun::run({"table", "import", tbl, tbl + ".smc"}).exitCode, 2);
    QCOMPARE(readFile(kel), QByteArray("A\r\r c \r") + QByteArray(252, '\r'));
}

void tst_Cli::tableExportImportRoundTrip()
{
    const QString kel = m_files->write(QStringLiteral("demo.kel"),
                                       readFile(QStringLiteral(ORVANE_EXAMPLES_DIR "/demo.kel")));
    const QString tbl = m_files->path(QStringLiteral("demo.tbl"));
    const QString back = m_files->path(QStringLiteral("back.kel"));
    QCOMPARE(CliRun::run({"table", "export", kel, tbl}).exitCode, 0);
    QVERIFY(readFile(tbl).startsWith("80=A\n81=B\n"));
    QCOMPARE(CliRun::run({"table", "import", tbl, back}).exitCode, 0);
    QCOMPARE(readFile(back), readFile(kel));

    // A table holding nothing gives an empty .tbl, which reads back as that table.
    const QString blank = m_files->write(QStringLiteral("blank.kel"), QByteArray(255, '\r'));
    const QString empty = m_files->path(QStringLiteral("empty.tbl"));
    QCOMPARE(CliRun::run({"table", "export", blank, empty}).exitCode, 0);
    QVERIFY(QFile::exists(empty) && readFile(empty).isEmpty());
    QCOMPARE(CliRun::run({"table", "import", empty, back}).exitCode, 0);
    QCOMPARE(readFile(back), readFile(blank));
}

void tst_Cli::unreadableInput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("dump") << QStringList{"dump", "$IN"};
    QTest::newRow("table import") << QStringList{"table", "import", "$IN", "$DIR/out.kel"};
}

void tst_Cli::unreadableInput()
{
    QFETCH(QStringList, arguments);
    // Permission bits stop nobody but an unprivileged user: run a copy of the program as one,
    // from a folder that user may enter wherever the build lies.
    const QString runuser = QStandardPaths::findExecutable(QStringLiteral("runuser"),
                                                           {QStringLiteral("/usr/sbin"),
                                                            QStringLiteral("/sbin")});
    if (!Unprivileged::isRoot() || runuser.isEmpty())
        QSKIP("needs root and runuser to run the program as nobody");
    QTemporaryDir dir(QStringLiteral("/tmp/orvane-cli-XXXXXX"));
    QVERIFY(QFile::setPermissions(dir.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                      | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther));
    const QString program = dir.filePath(QStringLiteral("orvane-cli"));
    QVERIFY(QFile::copy(QStringLiteral(ORVANE_CLI), program));
    const QString input = dir.filePath(QStringLiteral("in.tbl"));
    {
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("41=A\n") == 5);
    }
    QVERIFY(QFile::setPermissions(input, QFile::WriteOwner));
    for (QString &argument : arguments)
        argument.replace(QLatin1String("$IN"), input).replace(QLatin1String("$DIR"), dir.path());

    const CliRun run = CliRun::run(QStringList{"-u", "nobody", "--", program} + arguments, runuser);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(QLatin1String("Permission denied")), qPrintable(run.err));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("out.kel"))));
}

void tst_Cli::helpFitsEightyColumns()
{
    // Every command's help, found through the lists of commands as a user would find them.
    QList<QStringList> paths{{}};
    int helps = 0;
    while (!paths.isEmpty()) {
        const QStringList path = paths.takeFirst();
        const CliRun run = CliRun::run(path + QStringList{"--help"});
        QCOMPARE(run.exitCode, 0);
        ++helps;
        const QStringList lines = run.out.split(QLatin1Char('\n'));
        for (const QString &line : lines)
            QVERIFY2(line.size() <= 80, qPrintable(path.join(' ') + ": " + line));
        const qsizetype commands = lines.indexOf(QStringLiteral("Commands:"));
        for (qsizetype i = commands + 1; commands >= 0 && !lines.at(i).isEmpty(); ++i) {
            if (lines.at(i).startsWith(QLatin1String("  ")) && lines.at(i).at(2) != ' ')
                paths.append(path + QStringList{lines.at(i).split(' ', Qt::SkipEmptyParts).first()});
        }
    }
    QVERIFY2(helps > 15, qPrintable(QString::number(helps)));
}

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
