// Tables with thousands of entries, as translators of Japanese games use them: dump --text and
// find --all of the real orvane-cli through a table of 7,000 two-byte kanji codes on a 64 MiB
// ROM, beside the whole file read into memory and a memmem loop over it; encode --shortest of a
// 100 KB script through 2,000 DTE and MTE entries; and the time to load a table of 10,000
// entries. Each orvane-cli run is a child process whose peak memory the kernel reports; the
// in-process cases are measured in a child too. Peaks and ratios are printed last.

#include "document/texttable.h"

#include "benchsupport.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 RomSize = qint64(64) << 20;
constexpr qint64 Spacing = qint64(64) << 10; // one planted phrase every 64 KiB
constexpr int Kanji = 7000;
constexpr int Phrase = 4; // the last codes of the table, used only by the planted phrase
constexpr int Mte = 2000;
constexpr int ScriptSize = 100000;
constexpr int LoadEntries = 10000;

struct Files
{
    std::string dir;
    std::string rom;
    std::string kanjiTable;
    std::string mteTable;
    std::string loadTable;
    std::string output;
    std::string phrase; // UTF-8
    std::string script;
    qint64 planted = 0;
};

QByteArray kanjiKey(int i)
{
    const int code = 0x8140 + (i / 188) * 256 + i % 188; // the second byte from 40 to FB
    return QByteArray::fromHex(QByteArray::number(code, 16));
}

Files makeFiles()
{
    Files files;
    files.dir = BenchSupport::scratchFolder();
    files.rom = files.dir + "/jp.smc";
    files.kanjiTable = files.dir + "/kanji.tbl";
    files.mteTable = files.dir + "/mte.tbl";
    files.loadTable = files.dir + "/load.tbl";
    files.output = files.dir + "/out.txt";
    std::mt19937 random(2024);

    QByteArray tbl;
    for (int i = 0; i < Kanji; ++i)
        tbl += kanjiKey(i).toHex().toUpper() + '=' + QString(QChar(char16_t(0x4E00 + i))).toUtf8()
               + '\n';
    BenchSupport::writeFile(files.kanjiTable, tbl);
    QString phrase;
    QByteArray phraseBytes;
    for (int i = Kanji - Phrase; i < Kanji; ++i) {
        phrase += QChar(char16_t(0x4E00 + i));
        phraseBytes += kanjiKey(i);
    }
    files.phrase = phrase.toStdString();

    // Two-byte codes of the rest of the table, a phrase of four every 64 KiB.
    QByteArray rom;
    rom.reserve(RomSize);
    while (rom.size() < RomSize) {
        if (rom.size() % Spacing == 100) {
            rom += phraseBytes;
            ++files.planted;
        } else {
            rom += kanjiKey(int(random() % (Kanji - Phrase)));
        }
    }
    rom.truncate(RomSize);
    BenchSupport::writeFile(files.rom, rom);

    // Letters and a space of one byte, and 2,000 runs of 2 to 5 letters of two bytes.
    QByteArray mte;
    std::vector<std::string> runs;
    for (int c = 0; c < 26; ++c)
        mte += QByteArray::number(0x41 + c, 16).toUpper() + '=' + char('a' + c) + '\n';
    mte += "20= \n";
    for (int i = 0; i < Mte; ++i) {
        std::string run;
        for (int n = 2 + int(random() % 4); n > 0; --n)
            run += char('a' + random() % 26);
        runs.push_back(run);
        mte += QByteArray::number(0x8000 + i, 16).toUpper() + '=' + QByteArray::fromStdString(run)
               + '\n';
    }
    BenchSupport::writeFile(files.mteTable, mte);
    while (files.script.size() < size_t(ScriptSize)) {
        files.script += runs[random() % runs.size()];
        files.script += random() % 3 == 0 ? " " : "";
        files.script += char('a' + random() % 26);
    }
    files.script.resize(ScriptSize);

    QByteArray load;
    for (int i = 0; i < LoadEntries; ++i)
        load += QByteArray::number(0x8140 + i, 16).toUpper() + '='
                + QString(QChar(char16_t(0x4E00 + i))).toUtf8() + '\n';
    BenchSupport::writeFile(files.loadTable, load);
    return files;
}

struct Child
{
    bool ok = false;
    long peakKiB = 0;
    qint64 lines = 0;
    qint64 bytes = 0;
};

// Runs orvane-cli with its output in a file; counts the lines and bytes it printed.
Child runCli(const Files &files, std::vector<std::string> args)
{
    args.insert(args.begin(), ORVANE_CLI);
    const BenchSupport::ChildRun run = BenchSupport::runProgram(args, files.output);
    Child result;
    result.peakKiB = run.peakKiB;
    result.ok = run.ok;
    FILE *out = std::fopen(files.output.c_str(), "r");
    for (int c = 0; out && (c = std::fgetc(out)) != EOF;) {
        result.lines += c == '\n';
        ++result.bytes;
    }
    if (out)
        std::fclose(out);
    return result;
}

qint64 memmemAll(const Files &files, const QByteArray &pattern)
{
    const std::string data = BenchSupport::readWholeFile(files.rom);
    qint64 count = 0;
    const char *at = data.data();
    const char *const end = data.data() + data.size();
    const auto length = size_t(pattern.size());
    while (size_t(end - at) >= length) {
        const void *hit = memmem(at, size_t(end - at), pattern.constData(), length);
        if (!hit)
            break;
        ++count;
        at = static_cast<const char *>(hit) + 1;
    }
    return count;
}

} // namespace

int main(int argc, char **argv)
{
    const Files files = makeFiles();
    const TextTable kanji = TextTable::read(QString::fromStdString(files.kanjiTable)).table;
    const QByteArray pattern = kanji
                                   .encode(QString::fromStdString(files.phrase),
                                           TextTable::Spelling::LongestFirst)
                                   .bytes;
    std::map<std::string, long> peaks;

    // Each case checks its result, so that a fast wrong answer is never reported.
    auto cli = [&](const std::string &name,
                   std::vector<std::string> args,
                   std::function<bool(const Child &)> check,
                   qint64 bytes) {
        benchmark::RegisterBenchmark(name.c_str(),
                                     [&files, &peaks, name, args, check, bytes](
                                         benchmark::State &state) {
                                         for (auto _ : state) {
                                             const Child child = runCli(files, args);
                                             if (!child.ok || !check(child)) {
                                                 state.SkipWithError("wrong output");
                                                 break;
                                             }
                                             peaks[name] = std::max(peaks[name], child.peakKiB);
                                         }
                                         state.SetBytesProcessed(state.iterations() * bytes);
                                     })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    };
    cli(
        "cli/dump --text",
        {"dump", files.rom, "--text", "--table", files.kanjiTable},
        [](const Child &child) { return child.bytes == RomSize / 2 * 3 + 1; },
        RomSize);
    cli(
        "cli/find --all",
        {"find", files.rom, files.phrase, "--all", "--table", files.kanjiTable},
        [&files](const Child &child) { return child.lines == files.planted; },
        RomSize);
    cli(
        "cli/find --all --any-encoding",
        {"find", files.rom, files.phrase, "--all", "--any-encoding", "--table", files.kanjiTable},
        [&files](const Child &child) { return child.lines == files.planted; },
        RomSize);
    cli(
        "cli/encode --shortest",
        {"encode", "--shortest", "--table", files.mteTable, files.script},
        [](const Child &child) { return child.bytes > 0; },
        ScriptSize);
    benchmark::RegisterBenchmark("memmem/read-all", [&files, &pattern](benchmark::State &state) {
        for (auto _ : state) {
            if (memmemAll(files, pattern) != files.planted) {
                state.SkipWithError("wrong count");
                break;
            }
        }
        state.SetBytesProcessed(state.iterations() * RomSize);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("core/load 10000 entries", [&files](benchmark::State &state) {
        for (auto _ : state) {
            const TextTable::Parsed parsed = TextTable::read(
                QString::fromStdString(files.loadTable));
            if (parsed.table.entries().size() != LoadEntries) {
                state.SkipWithError("wrong entries");
                break;
            }
        }
    })->Unit(benchmark::kMillisecond);
    const TextTable mte = TextTable::read(QString::fromStdString(files.mteTable)).table;
    const QString script = QString::fromStdString(files.script);
    benchmark::RegisterBenchmark("core/encode --shortest", [&](benchmark::State &state) {
        for (auto _ : state) {
            if (!mte.encode(script, TextTable::Spelling::Fewest).problem.isEmpty()) {
                state.SkipWithError("not spelled");
                break;
            }
        }
        state.SetBytesProcessed(state.iterations() * ScriptSize);
    })->Unit(benchmark::kMillisecond);

    const long memmemPeak = BenchSupport::childPeakKiB(
        [&] { return memmemAll(files, pattern) == files.planted; });
    const long loadPeak = BenchSupport::childPeakKiB([&] {
        return TextTable::read(QString::fromStdString(files.loadTable)).table.entries().size()
               == LoadEntries;
    });
    BenchSupport::RatioReporter reporter;
    BenchSupport::runAll(argc, argv, reporter);

    for (const std::string &path :
         {files.rom, files.kanjiTable, files.mteTable, files.loadTable, files.output})
        std::remove(path.c_str());
    rmdir(files.dir.c_str());

    std::printf("peak RSS in KiB: cli dump --text=%ld, cli find --all=%ld, cli find "
                "--any-encoding=%ld, cli encode --shortest=%ld, memmem read-all=%ld, load of "
                "10,000 entries=%ld\n",
                peaks["cli/dump --text"],
                peaks["cli/find --all"],
                peaks["cli/find --all --any-encoding"],
                peaks["cli/encode --shortest"],
                memmemPeak,
                loadPeak);
    const double memmem = reporter.seconds("memmem/read-all");
    auto ratio = [&](const char *name) {
        return memmem > 0 ? reporter.seconds(std::string(name) + "/real_time") / memmem : 0.0;
    };
    std::printf("time / memmem read-all: cli dump --text=%.2f, cli find --all=%.2f, cli find "
                "--any-encoding=%.2f\n",
                ratio("cli/dump --text"),
                ratio("cli/find --all"),
                ratio("cli/find --all --any-encoding"));
    return 0;
}
