// find --all and find --any-encoding of the real orvane-cli on a 64 MiB ROM, beside the core
// scans they run and the simplest fast alternative: the whole file read into memory and a
// memmem loop over it. Each orvane-cli run is a child process whose peak memory the kernel
// reports; the memmem loop's is measured in a child too. Peaks and ratios are printed last.

#include "document/keltable.h"
#include "document/keltablefile.h"
#include "document/navigation.h"
#include "document/spellings.h"
#include "document/texttable.h"
#include "platform/binaryfile.h"
#include "platform/filesearch.h"

#include "benchsupport.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 RomSize = qint64(64) << 20;
constexpr qint64 Spacing = qint64(64) << 10; // one planted phrase every 64 KiB
const char *const Phrase = "the old mill";

struct Files
{
    std::string dir;
    std::string rom;
    std::string table;
    std::string output;
    QByteArray pattern; // the phrase as Find spells it
    qint64 greedyCount = 0;
    qint64 anyCount = 0;
};

// The demo's coding: capitals at 80, small letters at A0, four letter pairs at C0, space FF.
KelTable demoTable()
{
    KelTable table;
    table.readRecords({});
    for (int i = 0; i < 26; ++i) {
        table.setEntry(0x80 + i, QByteArray(1, char('A' + i)));
        table.setEntry(0xA0 + i, QByteArray(1, char('a' + i)));
    }
    const char *pairs[] = {"th", "er", "in", "ou"};
    for (int i = 0; i < 4; ++i)
        table.setEntry(0xC0 + i, pairs[i]);
    table.setEntry(0xFF, " ");
    return table;
}

Files makeFiles()
{
    Files files;
    files.dir = BenchSupport::scratchFolder();
    files.rom = files.dir + "/big.smc";
    files.table = files.dir + "/big.kel";
    files.output = files.dir + "/out.txt";
    const KelTable table = demoTable();
    SaveTable(table, QString::fromStdString(files.table));
    files.pattern = table.encode(Phrase).bytes;

    // Filler that spells nothing: codes the table leaves empty.
    QByteArray rom(RomSize, '\0');
    std::mt19937 random(2024);
    for (auto &b : rom)
        b = static_cast<char>(1 + random() % 0x7F);
    // Every other place spells "th" as t + h, which only --any-encoding finds.
    QByteArray split = files.pattern;
    split.replace(0, 1, QByteArray::fromHex("b3a7"));
    for (qint64 at = 0; at + Spacing <= RomSize; at += Spacing) {
        const bool greedy = (at / Spacing) % 2 == 0;
        rom.replace(at + 100,
                    greedy ? files.pattern.size() : split.size(),
                    greedy ? files.pattern : split);
        files.greedyCount += greedy ? 1 : 0;
        ++files.anyCount;
    }
    const int fd = ::open(files.rom.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    if (fd < 0 || ::write(fd, rom.constData(), size_t(rom.size())) != rom.size()) {
        std::perror(files.rom.c_str());
        std::exit(1);
    }
    ::close(fd);
    return files;
}

struct Child
{
    bool ok = false;
    long peakKiB = 0;
};

// Runs orvane-cli find with its output in a file; checks the count of lines it printed.
Child runCli(const Files &files, bool anyEncoding)
{
    std::vector<std::string>
        args{ORVANE_CLI, "find", files.rom, Phrase, "--all", "--table", files.table};
    if (anyEncoding)
        args.emplace_back("--any-encoding");
    const BenchSupport::ChildRun run = BenchSupport::runProgram(args, files.output);
    Child result;
    result.peakKiB = run.peakKiB;
    if (!run.ok)
        return result;
    FILE *out = std::fopen(files.output.c_str(), "r");
    qint64 lines = 0;
    for (int c = 0; out && (c = std::fgetc(out)) != EOF;)
        lines += c == '\n';
    if (out)
        std::fclose(out);
    result.ok = lines == (anyEncoding ? files.anyCount : files.greedyCount);
    return result;
}

qint64 coreAll(const Files &files)
{
    BinaryFile rom(QString::fromStdString(files.rom), BinaryFile::Mode::Read);
    qint64 count = 0;
    FileSearch::eachMatch(rom, files.pattern, 0, rom.length(), [&](qint64) {
        return ++count, true;
    });
    return count;
}

qint64 coreAny(const Files &files)
{
    BinaryFile rom(QString::fromStdString(files.rom), BinaryFile::Mode::Read);
    Spellings spellings(QString::fromLatin1(Phrase), TextTable::fromKel(demoTable()));
    qint64 count = 0;
    spellings.scan(rom, 0, rom.length(), [&](qint64) { return ++count, true; });
    return count;
}

qint64 memmemAll(const Files &files)
{
    const std::string data = BenchSupport::readWholeFile(files.rom);
    qint64 count = 0;
    const char *at = data.data();
    const char *const end = data.data() + data.size();
    const auto length = size_t(files.pattern.size());
    while (size_t(end - at) >= length) {
        const void *hit = memmem(at, size_t(end - at), files.pattern.constData(), length);
        if (!hit)
            break;
        ++count;
        at = static_cast<const char *>(hit) + 1;
    }
    return count;
}

long childPeakKiB(const Files &files, qint64 (*scan)(const Files &), qint64 expected)
{
    return BenchSupport::childPeakKiB([&] { return scan(files) == expected; });
}

} // namespace

int main(int argc, char **argv)
{
    const Files files = makeFiles();
    std::map<std::string, long> peaks;

    auto cli = [&](bool anyEncoding, const std::string &name) {
        return [&files, &peaks, anyEncoding, name](benchmark::State &state) {
            for (auto _ : state) {
                const Child child = runCli(files, anyEncoding);
                if (!child.ok) {
                    state.SkipWithError("orvane-cli failed or printed the wrong matches");
                    break;
                }
                peaks[name] = std::max(peaks[name], child.peakKiB);
            }
            state.SetBytesProcessed(state.iterations() * RomSize);
        };
    };
    auto inProcess = [&files](qint64 (*scan)(const Files &), qint64 expected) {
        return [&files, scan, expected](benchmark::State &state) {
            for (auto _ : state) {
                if (scan(files) != expected) {
                    state.SkipWithError("wrong count");
                    break;
                }
            }
            state.SetBytesProcessed(state.iterations() * RomSize);
        };
    };
    benchmark::RegisterBenchmark("cli/find --all", cli(false, "cli/find --all"))
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("cli/find --all --any-encoding",
                                 cli(true, "cli/find --all --any-encoding"))
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("core/eachPattern", inProcess(coreAll, files.greedyCount))
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("core/Spellings::scan", inProcess(coreAny, files.anyCount))
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("memmem/read-all", inProcess(memmemAll, files.greedyCount))
        ->Unit(benchmark::kMillisecond);

    const long memmemPeak = childPeakKiB(files, memmemAll, files.greedyCount);
    const long anyPeak = childPeakKiB(files, coreAny, files.anyCount);
    BenchSupport::RatioReporter reporter;
    BenchSupport::runAll(argc, argv, reporter);

    std::remove(files.rom.c_str());
    std::remove(files.table.c_str());
    std::remove(files.output.c_str());
    rmdir(files.dir.c_str());

    std::printf("peak RSS in KiB: cli find --all=%ld, cli find --any-encoding=%ld, "
                "core Spellings::scan=%ld, memmem read-all=%ld\n",
                peaks["cli/find --all"],
                peaks["cli/find --all --any-encoding"],
                anyPeak,
                memmemPeak);
    const double memmem = reporter.seconds("memmem/read-all");
    std::printf("time / memmem read-all: cli find --all=%.2f, cli --any-encoding=%.2f\n",
                memmem > 0 ? reporter.seconds("cli/find --all/real_time") / memmem : 0.0,
                memmem > 0 ? reporter.seconds("cli/find --all --any-encoding/real_time") / memmem
                           : 0.0);
    return 0;
}
