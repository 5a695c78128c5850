// Making an IPS patch and applying a BPS patch, each with its files read, against reading the
// same files once: no patcher can take less than that. BPS apply is also set against reading
// plus the three CRC32s it must check. Pairs of 4 and 64 MiB differ in bytes scattered over the
// whole file; IPS reaches only 16 MiB, so its large pair is 16 MiB. Prints each case's ratio to
// the reading bound last, and BPS apply's to reading and checking.

#include "benchsupport.h"
#include "patch/bps.h"
#include "patch/ips.h"
#include "platform/binaryfile.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
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

    // IPS: 4 MiB and 16 MiB pairs. BPS: 4 MiB and 64 MiB sources with their patches.
    std::vector<std::pair<std::string, Case>> cases;
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
        benchmark::RegisterBenchmark((kind + "/" + c.name).c_str(),
                                     [one, kind = kind](benchmark::State &s) {
                                         if (kind == "ips_create")
                                             ipsCreate(s, *one);
                                         else
                                             bpsApply(s, *one);
                                     })
            ->Unit(benchmark::kMillisecond);
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
        const double patch = reporter.seconds(kind + "/" + c.name);
        const double bound = reporter.seconds(kind + "_read_bound/" + c.name);
        std::printf(" %s/%s=%.2f", kind.c_str(), c.name.c_str(), bound > 0 ? patch / bound : 0.0);
    }
    std::printf("\nbps_apply/(read+crc) ratio:");
    for (const auto &[kind, c] : cases) {
        const double bound = reporter.seconds(kind + "_read_crc_bound/" + c.name);
        if (bound > 0)
            std::printf(" %s=%.2f", c.name.c_str(), reporter.seconds(kind + "/" + c.name) / bound);
    }
    std::printf("\n");
    return 0;
}
