// script dump and script insert, run as orvane-cli, on a 4 MiB ROM with 10,000 strings behind
// one table of 3-byte pointers; prints each one's peak memory against the ROM's size last.

#include "benchsupport.h"

#include <QByteArray>
#include <QRandomGenerator>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 RomSize = qint64(4) << 20;
constexpr int Strings = 10000;
constexpr qint64 TableAt = 0x1000;
constexpr qint64 TextAt = 0x100000;

struct Files
{
    std::string dir;
    std::string rom;
    std::string table;
    std::string script;
    std::string edited;
    std::string output;
};

// Letters at 20-59 hex, a line break at 01, the end at 00; strings of 20 to 60 letters.
Files makeFiles()
{
    Files files;
    files.dir = BenchSupport::scratchFolder();
    files.rom = files.dir + "/big.smc";
    files.table = files.dir + "/big.tbl";
    files.script = files.dir + "/big.txt";
    files.edited = files.dir + "/edited.txt";
    files.output = files.dir + "/out.smc";
    QByteArray table = "/00=<end>\n*01=<br>\n";
    const QByteArray letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 .,!";
    for (int k = 0; k < letters.size(); ++k)
        table += QByteArray::number(0x20 + k, 16).toUpper() + '=' + letters[k] + '\n';
    BenchSupport::writeFile(files.table, table);

    QRandomGenerator random(4);
    QByteArray rom(RomSize, '\xFF');
    qint64 at = TextAt;
    for (int k = 0; k < Strings; ++k) {
        const qint64 place = TableAt + 3 * k;
        rom[place] = char(at & 0xFF);
        rom[place + 1] = char((at >> 8) & 0xFF);
        rom[place + 2] = char(at >> 16);
        const int length = 20 + int(random.bounded(40));
        for (int b = 0; b < length; ++b)
            rom[at++] = b == length / 2 ? '\x01' : char(0x20 + random.bounded(letters.size()));
        rom[at++] = '\0';
    }
    BenchSupport::writeFile(files.rom, rom);
    return files;
}

std::vector<std::string> dumpArgs(const Files &files)
{
    return {ORVANE_CLI,
            "script",
            "dump",
            files.rom,
            "--table",
            files.table,
            "--pointers",
            "0x1000",
            "--count",
            "10000",
            "--width",
            "3",
            "--base",
            "0",
            "-o",
            files.script};
}

std::vector<std::string> insertArgs(const Files &files)
{
    return {ORVANE_CLI,
            "script",
            "insert",
            files.rom,
            files.edited,
            "--space",
            "0x300000-0x3FFFFF",
            "-o",
            files.output};
}

// Every tenth string made longer, so that a thousand move; the rest stay.
void editScript(const Files &files)
{
    FILE *in = std::fopen(files.script.c_str(), "rb");
    QByteArray text;
    char buffer[65536];
    for (size_t got = 0; in && (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
        text.append(buffer, qsizetype(got));
    if (in)
        std::fclose(in);
    QByteArray edited;
    qsizetype from = 0;
    int count = 0;
    for (qsizetype at = 0; (at = text.indexOf("<end>\n", from)) >= 0; from = at + 6) {
        edited += text.mid(from, at - from);
        edited += count++ % 10 == 0 ? " and a few more words to move it<end>\n" : "<end>\n";
    }
    edited += text.mid(from);
    BenchSupport::writeFile(files.edited, edited);
}

} // namespace

int main(int argc, char **argv)
{
    const Files files = makeFiles();
    long dumpPeak = 0;
    long insertPeak = 0;
    benchmark::RegisterBenchmark("cli/script dump 4 MiB, 10000 strings",
                                 [&](benchmark::State &state) {
                                     for (auto _ : state) {
                                         const BenchSupport::ChildRun child
                                             = BenchSupport::runProgram(dumpArgs(files));
                                         if (!child.ok) {
                                             state.SkipWithError("script dump failed");
                                             break;
                                         }
                                         dumpPeak = std::max(dumpPeak, child.peakKiB);
                                     }
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("cli/script insert 4 MiB, 1000 of 10000 moved",
                                 [&](benchmark::State &state) {
                                     if (!BenchSupport::runProgram(dumpArgs(files)).ok) {
                                         state.SkipWithError("script dump failed");
                                         return;
                                     }
                                     editScript(files);
                                     for (auto _ : state) {
                                         const BenchSupport::ChildRun child
                                             = BenchSupport::runProgram(insertArgs(files));
                                         if (!child.ok) {
                                             state.SkipWithError("script insert failed");
                                             break;
                                         }
                                         insertPeak = std::max(insertPeak, child.peakKiB);
                                     }
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    BenchSupport::RatioReporter reporter;
    BenchSupport::runAll(argc, argv, reporter);

    for (const std::string &path :
         {files.rom, files.table, files.script, files.edited, files.output})
        std::remove(path.c_str());
    rmdir(files.dir.c_str());
    const double romKiB = double(RomSize) / 1024;
    std::printf("peak RSS in KiB: script dump=%ld (%.1f x the ROM), script insert=%ld (%.1f x the "
                "ROM)\n",
                dumpPeak,
                double(dumpPeak) / romKiB,
                insertPeak,
                double(insertPeak) / romKiB);
    return 0;
}
