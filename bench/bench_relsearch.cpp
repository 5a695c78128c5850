// Relative search of a long word: the time per ROM byte must not grow with the word, so 1 MiB and
// 8 MiB ROMs are searched for words of 10 and 10,000 letters, and the 8 MiB / 1 MiB ratio printed.
#include "benchsupport.h"

#include "document/relsearch.h"
#include "platform/binaryfile.h"

#include <QRandomGenerator>
#include <QString>

#include <cstdio>

namespace {

struct Rom
{
    std::string name;
    std::string path;
};

// A ROM of small codes, so that the word's letters fit often and a scan cannot give up early.
Rom makeRom(const std::string &dir, qint64 size)
{
    QRandomGenerator random(7);
    QByteArray bytes(size, '\0');
    for (char &b : bytes)
        b = char(0x40 + random.bounded(3));
    Rom rom{std::to_string(size >> 20) + "MiB", dir + "/rom" + std::to_string(size)};
    BinaryFile::replaceContents(QString::fromStdString(rom.path), bytes);
    return rom;
}

QString makeWord(int letters)
{
    // "abab?ab..." with a wildcard now and then and both cases, as long as asked.
    QString word;
    for (int k = 0; k < letters; ++k)
        word += k % 7 == 6 ? QChar('-') : QChar(k % 11 < 5 ? 'a' + k % 2 : 'A' + k % 3);
    return word;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string dir = BenchSupport::scratchFolder();
    const std::vector<Rom> roms{makeRom(dir, qint64(1) << 20), makeRom(dir, qint64(8) << 20)};
    for (const int letters : {10, 10000}) {
        for (const Rom &rom : roms) {
            const std::string name = "relsearch/" + std::to_string(letters) + "/" + rom.name;
            benchmark::RegisterBenchmark(name.c_str(), [rom, letters](benchmark::State &state) {
                const RelSearch::Word word(makeWord(letters));
                for (auto _ : state) {
                    BinaryFile file(QString::fromStdString(rom.path), BinaryFile::Mode::Read);
                    qint64 hits = 0;
                    word.scan(file, 0, file.length(), [&](const RelSearch::Hit &) {
                        return ++hits, true;
                    });
                    benchmark::DoNotOptimize(hits);
                }
            })->Unit(benchmark::kMillisecond);
        }
    }
    BenchSupport::RatioReporter reporter;
    BenchSupport::runAll(argc, argv, reporter);
    for (const Rom &rom : roms)
        std::remove(rom.path.c_str());
    rmdir(dir.c_str());
    std::printf("8 MiB / 1 MiB time:");
    for (const int letters : {10, 10000}) {
        const std::string base = "relsearch/" + std::to_string(letters) + "/";
        const double small = reporter.seconds(base + "1MiB");
        std::printf(" %d letters=%.2f",
                    letters,
                    small > 0 ? reporter.seconds(base + "8MiB") / small : 0.0);
    }
    std::printf("\n");
    return 0;
}
