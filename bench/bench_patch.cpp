// Making an IPS patch, making a BPS patch and applying one, each with its files read, against
// reading the same files once: no patcher can take less than that. BPS apply is also set
// against reading plus the three CRC32s it must check. IPS pairs of 4 and 16 MiB (its reach)
// and BPS apply pairs of 4 and 64 MiB differ in bytes scattered over the whole file. BPS create
// runs on ROM-like pairs shaped as translation work leaves them: edits in place, text grown so
// that banks shift, a ROM expanded with new text and relocated data, a copier header added, and
// 32 and 64 MiB files with edits, inserts and a deletion. Prints each case's ratio to the
// reading bound last, BPS apply's to reading and checking, and for each BPS create pair the
// patch's size and the peak memory of orvane-cli making it. With ORVANE_BENCH_KEEP set to a
// folder, the BPS create pairs are also written there, to be set against other tools.

#include "benchsupport.h"
#include "patch/bps.h"
#include "patch/ips.h"
#include "platform/binaryfile.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRandomGenerator>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

struct Case
{
    std::string name;
    QString first;  // the original, or the ROM a patch is applied to
    QString second; // the modified file, or the patch
    qint64 bytes = 0;
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

// Random bytes, and a copy with a few bytes changed every 64 KiB or so.
std::pair<QByteArray, QByteArray> pair(qsizetype size, quint32 seed)
{
    QByteArray original(size, '\0');
    QRandomGenerator random(seed);
    random.fillRange(reinterpret_cast<quint32 *>(original.data()), size / 4);
    QByteArray modified = original;
    for (qsizetype k = 0; k < size / 65536; ++k) {
        const qsizetype at = random.bounded(size - 16);
        for (qsizetype j = 0; j < random.bounded(1, 16); ++j)
            modified[at + j] = static_cast<char>(modified[at + j] ^ 0x5A);
    }
    return {original, modified};
}

// ROM-like bytes: banks of 32 KiB of code (a skewed byte mix with routines that repeat), of
// text (words of a fixed vocabulary, spaces and end codes) or of 4bpp tiles drawn from a small
// pool, each bank ending in padding.
class RomMaker
{
public:
    explicit RomMaker(quint32 seed)
        : m_random(seed)
    {
        for (int k = 0; k < 600; ++k) {
            QByteArray word;
            for (qsizetype n = m_random.bounded(2, 10); n > 0; --n)
                word.append(static_cast<char>(0x80 + m_random.bounded(26)));
            m_words.append(word);
        }
        for (int k = 0; k < 256; ++k) {
            QByteArray tile(32, '\0');
            for (char &byte : tile)
                byte = static_cast<char>(m_random.bounded(4) == 0 ? 0 : m_random.bounded(256));
            m_tiles.append(tile);
        }
    }

    // A text of about size bytes.
    QByteArray text(qsizetype size)
    {
        QByteArray out;
        while (out.size() < size) {
            // Frequent words are frequent: the square of a uniform pick favours low indexes.
            const quint32 pick = m_random.bounded(quint32(m_words.size() * m_words.size()));
            out += m_words[qsizetype(std::sqrt(double(pick)))];
            out.append(m_random.bounded(8) == 0 ? '\0' : '\xFF');
        }
        return out.left(size);
    }

    QByteArray bank()
    {
        constexpr qsizetype Bank = 32768;
        const qsizetype padding = m_random.bounded(Bank / 16, Bank / 4);
        QByteArray out;
        switch (m_random.bounded(3)) {
        case 0:
            while (out.size() < Bank - padding) {
                if (out.size() > 64 && m_random.bounded(6) == 0) {
                    const qsizetype length = m_random.bounded(8, 40);
                    out += out.mid(m_random.bounded(out.size() - length), length);
                } else {
                    static const char Common[] = "\xA9\x8D\xAD\x20\x60\xE2\xC2\x85\xA5\xF0"
                                                 "\xD0\x80\x22\x6B\x9C\x18\x69\x4C\xBD\x9D";
                    out.append(m_random.bounded(3) == 0
                                   ? static_cast<char>(m_random.bounded(256))
                                   : Common[m_random.bounded(int(sizeof Common) - 1)]);
                }
            }
            break;
        case 1:
            out = text(Bank - padding);
            break;
        default:
            while (out.size() < Bank - padding)
                out += m_tiles[m_random.bounded(m_tiles.size())];
            break;
        }
        out.truncate(Bank - padding);
        return out + QByteArray(padding, m_random.bounded(2) ? '\xFF' : '\0');
    }

    QByteArray rom(qsizetype size)
    {
        QByteArray out;
        while (out.size() < size)
            out += bank();
        return out;
    }

    // Each of count edits changes 1 to 16 bytes in place, most of them into a word of the text.
    void edit(QByteArray &rom, int count)
    {
        for (int k = 0; k < count; ++k) {
            const QByteArray word = text(m_random.bounded(1, 17));
            const qsizetype at = m_random.bounded(rom.size() - word.size());
            std::copy(word.begin(), word.end(), rom.begin() + at);
        }
    }

    qsizetype bounded(qsizetype low, qsizetype high) { return m_random.bounded(low, high); }

private:
    QRandomGenerator m_random;
    QList<QByteArray> m_words;
    QList<QByteArray> m_tiles;
};

const std::vector<std::string> BpsPairNames = {"1MiB_300_edits",
                                               "1MiB_6_banks_shifted",
                                               "1MiB_to_2MiB",
                                               "1MiB_to_4MiB",
                                               "1MiB_copier_header",
                                               "32MiB_inserts",
                                               "64MiB_inserts"};

// Peak resident memory, in KiB, of orvane-cli making the BPS patch from a to b; -1 when it
// fails.
long createPeakKiB(const QString &a, const QString &b, const QString &patch)
{
    std::vector<std::string> args{ORVANE_CLI,
                                  "bps",
                                  "create",
                                  a.toStdString(),
                                  b.toStdString(),
                                  patch.toStdString()};
    const BenchSupport::ChildRun run = BenchSupport::runProgram(args);
    return run.ok ? run.peakKiB : -1;
}

// The BPS create pairs, each named.
std::vector<std::tuple<std::string, QByteArray, QByteArray>> bpsPairs()
{
    constexpr qsizetype MiB = qsizetype(1) << 20;
    constexpr qsizetype Bank = 32768;
    RomMaker maker(7);
    const QByteArray rom = maker.rom(MiB);
    std::vector<std::tuple<std::string, QByteArray, QByteArray>> pairs;

    QByteArray edited = rom;
    maker.edit(edited, 300);
    pairs.emplace_back("1MiB_300_edits", rom, edited);

    // In each of six banks, text grows by 100 to 500 bytes and pushes the rest of the bank,
    // whose padding shrinks by as much.
    QByteArray shifted = rom;
    for (qsizetype bank = 8; bank < 14; ++bank) {
        const qsizetype grown = maker.bounded(100, 501);
        const qsizetype at = bank * Bank + maker.bounded(0, Bank / 2);
        shifted.insert(at, maker.text(grown));
        shifted.remove((bank + 1) * Bank, grown);
    }
    pairs.emplace_back("1MiB_6_banks_shifted", rom, shifted);

    // An expansion: the old ROM with edits, then new text, then old banks moved and edited.
    auto expanded = [&](qsizetype size) {
        QByteArray out = edited;
        while (out.size() < size) {
            if (maker.bounded(0, 2) == 0) {
                out += maker.text(Bank - 2048) + QByteArray(2048, '\xFF');
            } else {
                QByteArray moved = rom.mid(maker.bounded(0, rom.size() / Bank) * Bank, Bank);
                maker.edit(moved, 4);
                out += moved;
            }
        }
        return out;
    };
    pairs.emplace_back("1MiB_to_2MiB", rom, expanded(2 * MiB));
    pairs.emplace_back("1MiB_to_4MiB", rom, expanded(4 * MiB));

    QByteArray header(512, '\0');
    header[0] = static_cast<char>(rom.size() / 8192);
    header[8] = '\xAA';
    header[9] = '\xBB';
    header[10] = '\x04';
    pairs.emplace_back("1MiB_copier_header", rom, header + rom);

    // Three inserts of 1 to 4 KiB and one deletion of 2 KiB, among 500 edits.
    for (const qsizetype size : {32 * MiB, 64 * MiB}) {
        const QByteArray big = maker.rom(size);
        QByteArray changed = big;
        maker.edit(changed, 500);
        for (int k = 0; k < 3; ++k)
            changed.insert(maker.bounded(0, changed.size()), maker.text(maker.bounded(1024, 4097)));
        changed.remove(maker.bounded(0, changed.size() - 2048), 2048);
        pairs.emplace_back(std::to_string(size / MiB) + "MiB_inserts", big, changed);
    }
    return pairs;
}

void readBoth(benchmark::State &state, const Case &c)
{
    for (auto _ : state) {
        const QByteArray first = BinaryFile::readAll(c.first);
        const QByteArray second = BinaryFile::readAll(c.second);
        benchmark::DoNotOptimize(first.constData());
        benchmark::DoNotOptimize(second.constData());
    }
    state.SetBytesProcessed(state.iterations() * c.bytes);
}

// What BPS apply must do besides reading: the CRC32 of the source, of a target of about its size
// and of the patch.
void readAndCheck(benchmark::State &state, const Case &c)
{
    for (auto _ : state) {
        const QByteArray first = BinaryFile::readAll(c.first);
        const QByteArray second = BinaryFile::readAll(c.second);
        benchmark::DoNotOptimize(Bps::crc32(first) ^ Bps::crc32(first) ^ Bps::crc32(second));
    }
    state.SetBytesProcessed(state.iterations() * c.bytes);
}

void ipsCreate(benchmark::State &state, const Case &c)
{
    for (auto _ : state) {
        const QByteArray patch = Ips::create(BinaryFile::readAll(c.first),
                                             BinaryFile::readAll(c.second));
        benchmark::DoNotOptimize(patch.constData());
    }
    state.SetBytesProcessed(state.iterations() * c.bytes);
}

void bpsCreate(benchmark::State &state, const Case &c)
{
    for (auto _ : state) {
        const QByteArray patch = Bps::create(BinaryFile::readAll(c.first),
                                             BinaryFile::readAll(c.second));
        benchmark::DoNotOptimize(patch.constData());
    }
    state.SetBytesProcessed(state.iterations() * c.bytes);
}

void bpsApply(benchmark::State &state, const Case &c)
{
    for (auto _ : state) {
        const QByteArray target = Bps::apply(BinaryFile::readAll(c.first),
                                             BinaryFile::readAll(c.second));
        benchmark::DoNotOptimize(target.constData());
    }
    state.SetBytesProcessed(state.iterations() * c.bytes);
}

} // namespace

int main(int argc, char **argv)
{
    const QString dir = QString::fromStdString(BenchSupport::scratchFolder());
    std::vector<QString> files;
    auto file = [&](const char *name, const QByteArray &bytes) {
        files.push_back(dir + QLatin1Char('/') + QLatin1String(name));
        writeFile(files.back(), bytes);
        return files.back();
    };

    // BPS create first, while this process is small: a child makes and writes the pairs, and
    // orvane-cli makes each patch in a child of its own, whose peak memory is then its own.
    const pid_t maker = fork();
    if (maker == 0) {
        const char *keep = std::getenv("ORVANE_BENCH_KEEP");
        size_t index = 0;
        for (const auto &[name, original, modified] : bpsPairs()) {
            if (name != BpsPairNames.at(index++))
                _exit(1);
            writeFile(dir + QStringLiteral("/bpsc-a-") + QString::fromStdString(name), original);
            writeFile(dir + QStringLiteral("/bpsc-b-") + QString::fromStdString(name), modified);
            if (keep) {
                const QString kept = QString::fromLocal8Bit(keep) + QLatin1Char('/')
                                     + QString::fromStdString(name);
                writeFile(kept + QStringLiteral(".a"), original);
                writeFile(kept + QStringLiteral(".b"), modified);
            }
        }
        _exit(0);
    }
    int status = 0;
    if (waitpid(maker, &status, 0) != maker || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "cannot make the BPS create pairs\n");
        return 1;
    }
    struct Made
    {
        std::string name;
        qint64 size = 0;
        long peakKiB = 0;
    };
    std::vector<Made> made;
    std::vector<std::pair<std::string, Case>> cases;
    for (const std::string &name : BpsPairNames) {
        const QString a = dir + QStringLiteral("/bpsc-a-") + QString::fromStdString(name);
        const QString b = dir + QStringLiteral("/bpsc-b-") + QString::fromStdString(name);
        const QString p = dir + QStringLiteral("/bpsc-p-") + QString::fromStdString(name);
        files.insert(files.end(), {a, b, p});
        made.push_back({name, 0, createPeakKiB(a, b, p)});
        made.back().size = QFileInfo(p).size();
        cases.push_back({"bps_create", {name, a, b, QFileInfo(a).size() + QFileInfo(b).size()}});
    }
    for (const std::string &name : BpsPairNames) {
        const QString at = dir + QStringLiteral("/bpsc-");
        const QString tail = QString::fromStdString(name);
        if (Bps::apply(BinaryFile::readAll(at + QStringLiteral("a-") + tail),
                       BinaryFile::readAll(at + QStringLiteral("p-") + tail))
            != BinaryFile::readAll(at + QStringLiteral("b-") + tail)) {
            std::fprintf(stderr, "the patch for %s does not build its target\n", name.c_str());
            return 1;
        }
    }

    // IPS: 4 MiB and 16 MiB pairs. BPS: 4 MiB and 64 MiB sources with their patches.
    for (const auto &[label, size] :
         {std::pair{"4MiB", qsizetype(4) << 20}, std::pair{"16MiB", qsizetype(16) << 20}}) {
        const auto [original, modified] = pair(size, 1);
        const std::string name = label;
        const QString a = file(("ips-a-" + name).c_str(), original);
        const QString b = file(("ips-b-" + name).c_str(), modified);
        cases.push_back({"ips_create", {name, a, b, 2 * qint64(size)}});
    }
    for (const auto &[label, size] :
         {std::pair{"4MiB", qsizetype(4) << 20}, std::pair{"64MiB", qsizetype(64) << 20}}) {
        const auto [original, modified] = pair(size, 2);
        const std::string name = label;
        const QByteArray patch = Bps::create(original, modified);
        const QString a = file(("bps-a-" + name).c_str(), original);
        const QString p = file(("bps-p-" + name).c_str(), patch);
        cases.push_back({"bps_apply", {name, a, p, qint64(size) + patch.size()}});
    }

    for (const auto &[kind, c] : cases) {
        const Case *one = &c;
        auto *registered = benchmark::RegisterBenchmark((kind + "/" + c.name).c_str(),
                                                        [one, kind = kind](benchmark::State &s) {
                                                            if (kind == "ips_create")
                                                                ipsCreate(s, *one);
                                                            else if (kind == "bps_create")
                                                                bpsCreate(s, *one);
                                                            else
                                                                bpsApply(s, *one);
                                                        });
        registered->Unit(benchmark::kMillisecond);
        // BPS create works on two threads: its time is the clock's, not this thread's.
        if (kind == "bps_create")
            registered->UseRealTime();
        benchmark::RegisterBenchmark((kind + "_read_bound/" + c.name).c_str(),
                                     [one](benchmark::State &s) { readBoth(s, *one); })
            ->Unit(benchmark::kMillisecond);
        if (kind == "bps_apply") {
            benchmark::RegisterBenchmark((kind + "_read_crc_bound/" + c.name).c_str(),
                                         [one](benchmark::State &s) { readAndCheck(s, *one); })
                ->Unit(benchmark::kMillisecond);
        }
    }
    BenchSupport::RatioReporter reporter;
    BenchSupport::runAll(argc, argv, reporter);

    for (const QString &path : files)
        QFile::remove(path);
    rmdir(dir.toLocal8Bit().constData());

    std::printf("patch/read ratio:");
    for (const auto &[kind, c] : cases) {
        const double patch = reporter.seconds(kind + "/" + c.name
                                              + (kind == "bps_create" ? "/real_time" : ""));
        const double bound = reporter.seconds(kind + "_read_bound/" + c.name);
        std::printf(" %s/%s=%.2f", kind.c_str(), c.name.c_str(), bound > 0 ? patch / bound : 0.0);
    }
    std::printf("\nbps_apply/(read+crc) ratio:");
    for (const auto &[kind, c] : cases) {
        const double bound = reporter.seconds(kind + "_read_crc_bound/" + c.name);
        if (bound > 0)
            std::printf(" %s=%.2f", c.name.c_str(), reporter.seconds(kind + "/" + c.name) / bound);
    }
    std::printf("\nbps_create patch bytes and orvane-cli's peak memory:");
    for (const Made &m : made)
        std::printf(" %s=%lld B/%ld MiB", m.name.c_str(), m.size, m.peakKiB / 1024);
    std::printf("\n");
    return 0;
}
