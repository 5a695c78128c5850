#include "clirun.h"

#include "patch/bps.h"
#include "support/faultinjection.h"
#include "support/romdata.h"
#include "support/tempfiles.h"
#include "support/unprivileged.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// The ways orvane-cli meets a world that fails it: output nobody can take, files larger than any
// format holds, too little memory. Each ends with exit status 2 and a message, never an abort,
// and with nothing written.
class tst_CliFailures : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void outputThatCannotBeWritten_data();
    void outputThatCannotBeWritten();
    void outputToAFullDisk();
    void tablesTooLargeForAKel_data();
    void tablesTooLargeForAKel();
    void hugeInputsUnderAMemoryLimit_data();
    void hugeInputsUnderAMemoryLimit();
    void replacedFileKeepsOwnerAndMode();
    void noThreadToSpare();

private:
    std::unique_ptr<TempFiles> m_files;
    QString m_rom;
};

namespace {

// BPS's variable-length number, from the format's description.
QByteArray bpsNumber(quint64 value)
{
    QByteArray bytes;
    for (;;) {
        const auto low = static_cast<char>(value & 0x7F);
        value >>= 7;
        if (value == 0)
            return bytes.append(static_cast<char>(low | 0x80));
        bytes.append(low);
        --value;
    }
}

QByteArray littleEndian(quint32 value)
{
    QByteArray bytes;
    for (int k = 0; k < 4; ++k)
        bytes.append(static_cast<char>(value >> (8 * k)));
    return bytes;
}

bool sanitized()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

} // namespace

void tst_CliFailures::init()
{
    m_files = std::make_unique<TempFiles>();
    // Letters at 61 on, so that relsearch and find have something to print.
    QByteArray rom = TempFiles::pattern(64 * 1024, 7);
    rom.replace(0x100, 5, "hello");
    m_rom = m_files->write(QStringLiteral("game.smc"), rom);
    m_files->write(QStringLiteral("game.kel"), QByteArray(0x60, '\r') + "a\rb\rc\rd\re\r");
}

void tst_CliFailures::outputThatCannotBeWritten_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("dump") << QStringList{"dump", "$ROM"};
    QTest::newRow("dump --text") << QStringList{"dump", "--text", "$ROM"};
    QTest::newRow("find") << QStringList{"find", "--all", "$ROM", "e"};
    QTest::newRow("snes info") << QStringList{"snes", "info", "$ROM"};
    QTest::newRow("addr") << QStringList{"addr", "--lorom", "$ROM", "80:8000"};
    QTest::newRow("relsearch") << QStringList{"relsearch", "$ROM", "hello"};
    QTest::newRow("--help") << QStringList{"--help"};
}

void tst_CliFailures::outputThatCannotBeWritten()
{
    QFETCH(QStringList, arguments);
    arguments.replaceInStrings(QStringLiteral("$ROM"), m_rom);
    const CliRun run = CliRun::run(arguments, [](QProcess &process) {
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
    });
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(QLatin1String("cannot write the output: No space left on device")),
             qPrintable(run.err));
}

void tst_CliFailures::outputToAFullDisk()
{
    const FullDisk disk;
    if (!disk.mounted())
        QSKIP(qPrintable(disk.whyNot()));
    // More than the disk holds, so that the dump stops part way.
    const CliRun run = CliRun::run({QStringLiteral("dump"), m_rom}, [&](QProcess &process) {
        process.setStandardOutputFile(disk.path(QStringLiteral("out.txt")));
    });
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(QLatin1String("cannot write the output")), qPrintable(run.err));
}

void tst_CliFailures::tablesTooLargeForAKel_data()
{
    QTest::addColumn<QByteArray>("tbl");
    QByteArray many;
    for (int k = 1; k <= 199; ++k)
        many += QByteArray::number(k, 16).rightJustified(2, '0') + '=' + QByteArray(300, 'x')
                + '\n';
    QTest::newRow("199 entries of 300 letters") << many;
    QTest::newRow("one entry of 33,000") << "41=" + QByteArray(33000, 'y') + '\n';
}

void tst_CliFailures::tablesTooLargeForAKel()
{
    QFETCH(QByteArray, tbl);
    const QString in = m_files->write(QStringLiteral("big.tbl"), tbl);
    const QString out = m_files->path(QStringLiteral("big.kel"));
    for (const QStringList &extra : {QStringList{}, QStringList{QStringLiteral("--strict")}}) {
        const CliRun run = CliRun::run(QStringList{"table", "import", in, out} + extra);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(QLatin1String("32767")), qPrintable(run.err));
        QVERIFY(!QFile::exists(out));
    }
}

void tst_CliFailures::hugeInputsUnderAMemoryLimit_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("says"); // the refusal names the size, or the memory runs short
    QTest::newRow("snes info") << QStringList{"snes", "info", "$BIG"} << "5368709120 bytes";
    QTest::newRow("addr") << QStringList{"addr", "$BIG", "80:8000"} << "5368709120 bytes";
    QTest::newRow("snes fix-checksum")
        << QStringList{"snes", "fix-checksum", "$BIG", "-o", "$OUT"} << "5368709120 bytes";
    QTest::newRow("snes header add")
        << QStringList{"snes", "header", "add", "$BIG", "-o", "$OUT"} << "5368709120 bytes";
    QTest::newRow("ips apply") << QStringList{"ips", "apply", "$BIG", "$ROM", "-o", "$OUT"}
                               << "5368709120 bytes";
    QTest::newRow("bps apply") << QStringList{"bps", "apply", "$BIG", "$ROM", "-o", "$OUT"}
                               << "5368709120 bytes";
    QTest::newRow("bps create") << QStringList{"bps", "create", "$ROM", "$BIG", "$OUT"}
                                << "5368709120 bytes";
    QTest::newRow("--table") << QStringList{"dump", "$ROM", "--table", "$BIG.tbl"}
                             << "5368709120 bytes";
    QTest::newRow("pointers") << QStringList{"pointers", "$BIG", "0x100", "--base", "0"}
                              << "5368709120 bytes";
    QTest::newRow("script dump") << QStringList{"script",
                                                "dump",
                                                "$BIG",
                                                "--pointers",
                                                "0",
                                                "--count",
                                                "1",
                                                "--base",
                                                "0",
                                                "--end",
                                                "00"}
                                 << "5368709120 bytes";
    QTest::newRow("a patch claiming 3 GiB")
        << QStringList{"bps", "apply", "$ROM", "$CLAIM", "-o", "$OUT"} << "not enough memory";
}

void tst_CliFailures::hugeInputsUnderAMemoryLimit()
{
    if (sanitized())
        QSKIP("the address sanitizer reserves more address space than the limit allows");
    QFETCH(QStringList, arguments);
    QFETCH(QString, says);
    // Sparse: 5 GiB that take no room on the disk.
    const QString big = m_files->path(QStringLiteral("big.smc"));
    for (const QString &path : {big, big + QStringLiteral(".tbl")}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(5) << 30));
    }
    // A patch of a few bytes whose header claims a 3 GiB target, with every checksum right.
    const QByteArray source = m_files->read(QStringLiteral("game.smc"));
    QByteArray claim = "BPS1" + bpsNumber(quint64(source.size())) + bpsNumber(quint64(3) << 30)
                       + bpsNumber(0) + bpsNumber(((quint64(3) << 30) - 1) << 2)
                       + littleEndian(Bps::crc32(source)) + littleEndian(0);
    claim += littleEndian(Bps::crc32(claim));
    arguments.replaceInStrings(QStringLiteral("$BIG"), big);
    arguments.replaceInStrings(QStringLiteral("$ROM"), m_rom);
    arguments.replaceInStrings(QStringLiteral("$CLAIM"),
                               m_files->write(QStringLiteral("claim.bps"), claim));
    const QString out = m_files->path(QStringLiteral("out.bin"));
    arguments.replaceInStrings(QStringLiteral("$OUT"), out);

    const CliRun run = CliRun::run(arguments, [](QProcess &process) {
        process.setChildProcessModifier([] {
            const rlimit limit{qint64(2) << 30, qint64(2) << 30};
            setrlimit(RLIMIT_AS, &limit);
        });
    });
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.startsWith(QLatin1String("orvane-cli ")) && run.err.contains(says),
             qPrintable(run.err));
    QVERIFY(!QFile::exists(out));
}

void tst_CliFailures::replacedFileKeepsOwnerAndMode()
{
    if (!Unprivileged::isRoot())
        QSKIP("only root can give a file to another user");
    const QByteArray path = QFile::encodeName(m_rom);
    QCOMPARE(chown(path.constData(), 65534, 65534), 0);
    QCOMPARE(chmod(path.constData(), 0444), 0);
    const CliRun run = CliRun::run({QStringLiteral("snes"),
                                    QStringLiteral("header"),
                                    QStringLiteral("add"),
                                    m_rom,
                                    QStringLiteral("--in-place")});
    QCOMPARE(run.exitCode, 0);
    struct stat info
    {};
    QCOMPARE(stat(path.constData(), &info), 0);
    QCOMPARE(info.st_size, 64 * 1024 + 512);
    QCOMPARE(info.st_uid, uid_t(65534));
    QCOMPARE(info.st_gid, gid_t(65534));
    QCOMPARE(info.st_mode & 07777, mode_t(0444));
}

// Where the system gives no more threads, a large patch is made on one. The limit on a user's
// processes binds only a user other than root: run as root, the program is copied where nobody
// may run it, and runs as nobody.
void tst_CliFailures::noThreadToSpare()
{
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/orvane-threads-XXXXXX"));
    QVERIFY(dir.isValid());
    const QString program = Unprivileged::copyForEveryone(dir.path(), QStringLiteral(ORVANE_CLI));
    QVERIFY(!program.isEmpty());
    // nobody writes the patch there too.
    QVERIFY(QFile::setPermissions(dir.path(),
                                  QFile::permissions(dir.path()) | QFileDevice::WriteOther));
    const QByteArray source = RomData::noise(300000, 3);
    const QByteArray target = source.mid(1000) + source.left(1000);
    const QString a = dir.filePath(QStringLiteral("a.bin"));
    const QString b = dir.filePath(QStringLiteral("b.bin"));
    for (const auto &[path, bytes] : {std::pair{a, source}, std::pair{b, target}}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                    | QFileDevice::ReadOther));
    }
    const QString out = dir.filePath(QStringLiteral("out.bps"));
    const CliRun run
        = CliRun::run({QStringLiteral("bps"), QStringLiteral("create"), a, b, out},
                      [&](QProcess &process) {
                          process.setProgram(program);
                          // The leak checker's last look needs a thread of its own.
                          QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
                          environment.insert(QStringLiteral("ASAN_OPTIONS"),
                                             environment.value(QStringLiteral("ASAN_OPTIONS"))
                                                 + QStringLiteral(":detect_leaks=0"));
                          process.setProcessEnvironment(environment);
                          process.setChildProcessModifier([] {
                              const rlimit limit{1, 1};
                              setrlimit(RLIMIT_NPROC, &limit);
                              if (geteuid() == 0) {
                                  setgroups(0, nullptr);
                                  if (setgid(65534) != 0 || setuid(65534) != 0)
                                      _exit(127);
                              }
                          });
                      });
    QCOMPARE(run.exitCode, 0);
    QFile patch(out);
    QVERIFY(patch.open(QIODevice::ReadOnly));
    QVERIFY(Bps::apply(source, patch.readAll()) == target);
}

QTEST_GUILESS_MAIN(tst_CliFailures)
#include "tst_cli_failures.moc"
