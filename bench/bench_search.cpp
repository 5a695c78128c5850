// The search core against the simplest fast alternative: the whole file read into memory and
// memmem over it. Prints each case's ratio last, and the peak memory of a search measured in a
// child process per case, so that the size of the file cannot hide in the benchmark's own use.

#include "benchsupport.h"
#include "platform/binaryfile.h"
#include "platform/filesearch.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Case
{
    std::string name;
    std::string path;
    QByteArray pattern;
    std::optional<qint64> expected;
};

void writeAt(int fd, off_t offset, const QByteArray &bytes)
{
    if (pwrite(fd, bytes.constData(), size_t(bytes.size()), offset) != bytes.size()) {
        std::perror("pwrite");
        std::exit(1);
    }
}

int createFile(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    if (fd < 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
    return fd;
}

std::vector<Case> makeCases(const std::string &dir)
{
    constexpr off_t small = off_t(8) << 20;
    constexpr off_t sparse = off_t(512) << 20;
    std::vector<Case> cases;

    Case zeros{"a", dir + "/zeros.smc", QByteArray::fromHex("0001"), std::nullopt};
    int fd = createFile(zeros.path);
    writeAt(fd, 0, QByteArray(small, '\0'));
    ::close(fd);
    cases.push_back(zeros);

    const QByteArray six = QByteArray::fromHex("5a17c3e9004b");
    Case noise{"b", dir + "/random.smc", six, small - 16 + 5 + 1};
    QByteArray bytes(small, '\0');
    std::mt19937 random(12345);
    for (auto &b : bytes)
        b = static_cast<char>(random());
    // Only the planted copy may match.
    for (qsizetype at = bytes.indexOf(six); at >= 0; at = bytes.indexOf(six, at))
        bytes[at] = static_cast<char>(bytes[at] ^ 1);
    bytes.replace(small - 16 + 5, six.size(), six);
    fd = createFile(noise.path);
    writeAt(fd, 0, bytes);
    ::close(fd);
    cases.push_back(noise);

    Case holes{"c", dir + "/sparse.smc", six, sparse - six.size() + 1};
    fd = createFile(holes.path);
    if (ftruncate(fd, sparse) != 0) {
        std::perror("ftruncate");
        std::exit(1);
    }
    writeAt(fd, sparse - six.size(), six);
    ::close(fd);
    cases.push_back(holes);
    return cases;
}

std::optional<qint64> searchCore(const Case &c)
{
    BinaryFile rom(QString::fromStdString(c.path), BinaryFile::Mode::Read);
    return FileSearch::findPattern(rom, c.pattern, 1, rom.length());
}

std::optional<qint64> wholeFileMemmem(const Case &c)
{
    const std::string data = BenchSupport::readWholeFile(c.path);
    const void *hit = memmem(data.data(),
                             data.size(),
                             c.pattern.constData(),
                             size_t(c.pattern.size()));
    if (!hit)
        return std::nullopt;
    return qint64(static_cast<const char *>(hit) - data.data()) + 1;
}

template<typename Search>
void run(benchmark::State &state, const Case &c, Search search)
{
    for (auto _ : state) {
        const auto found = search(c);
        if (found != c.expected) {
            state.SkipWithError("wrong result");
            break;
        }
        benchmark::DoNotOptimize(found);
    }
    struct stat info
    {};
    stat(c.path.c_str(), &info);
    state.SetBytesProcessed(state.iterations() * int64_t(info.st_size));
}

// Peak resident memory, in KiB, of a child that does nothing but run one search.
long childPeakKiB(const Case &c, std::optional<qint64> (*search)(const Case &))
{
    return BenchSupport::childPeakKiB([&] { return search(c) == c.expected; });
}

} // namespace

int main(int argc, char **argv)
{
    const std::string dir = BenchSupport::scratchFolder();
    const std::vector<Case> cases = makeCases(dir);

    // Measured first, while this process is still small.
    std::string peaks = "peak RSS of one search in KiB:";
    for (const Case &c : cases)
        peaks += " find " + c.name + "=" + std::to_string(childPeakKiB(c, searchCore)) + ",";
    for (const Case &c : cases)
        peaks += " memmem " + c.name + "=" + std::to_string(childPeakKiB(c, wholeFileMemmem)) + ",";
    peaks.pop_back();

    for (const Case &c : cases) {
        benchmark::RegisterBenchmark(("find/" + c.name).c_str(), [&c](benchmark::State &s) {
            run(s, c, searchCore);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("memmem/" + c.name).c_str(), [&c](benchmark::State &s) {
            run(s, c, wholeFileMemmem);
        })->Unit(benchmark::kMillisecond);
    }
    BenchSupport::RatioReporter reporter;
    BenchSupport::runAll(argc, argv, reporter);

    for (const Case &c : cases)
        std::remove(c.path.c_str());
    rmdir(dir.c_str());

    std::printf("%s\n", peaks.c_str());
    std::printf("find/memmem ratio:");
    const char *separator = " ";
    for (const Case &c : cases) {
        const double find = reporter.seconds("find/" + c.name);
        const double memmem = reporter.seconds("memmem/" + c.name);
        std::printf("%s%s=%.2f", separator, c.name.c_str(), memmem > 0 ? find / memmem : 0.0);
    }
    std::printf("\n");
    return 0;
}
