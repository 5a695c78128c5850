#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// What the benchmarks share: a scratch folder, the plain way of reading a whole file, the peak
// memory of one run measured in a child process, and a reporter that prints ratios last.
namespace BenchSupport {

// A fresh folder under /tmp for the benchmark's files; ends the program when none can be made.
inline std::string scratchFolder()
{
    char folder[] = "/tmp/orvane-bench-XXXXXX";
    if (!mkdtemp(folder)) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    return folder;
}

// The whole file, read at once: the simplest fast alternative every scan is measured against.
inline std::string readWholeFile(const std::string &path)
{
    std::string data;
    const int fd = ::open(path.c_str(), O_RDONLY);
    struct stat info
    {};
    if (fd < 0 || fstat(fd, &info) != 0)
        return data;
    data.resize(size_t(info.st_size));
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t got = ::read(fd, data.data() + done, data.size() - done);
        if (got <= 0)
            break;
        done += size_t(got);
    }
    ::close(fd);
    data.resize(done);
    return data;
}

// Peak resident memory, in KiB, of a child that does nothing but run once; -1 when run says
// its result was wrong. A child's own peak hides neither in the benchmark's nor in the file's.
inline long childPeakKiB(const std::function<bool()> &run)
{
    const pid_t child = fork();
    if (child == 0)
        _exit(run() ? 0 : 1);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

// Writes bytes (a QByteArray or a std::string) to path; ends the program when it cannot.
template<typename Bytes>
void writeFile(const std::string &path, const Bytes &bytes)
{
    FILE *file = std::fopen(path.c_str(), "wb");
    const auto size = static_cast<size_t>(bytes.size());
    if (!file || std::fwrite(bytes.data(), 1, size, file) != size || std::fclose(file) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

// How a program run as a child ended: whether it exited with 0, and its peak resident memory.
struct ChildRun
{
    bool ok = false;
    long peakKiB = 0;
};

// Runs args[0] with args, its standard output to the file output and its standard error
// dropped, and waits for it.
inline ChildRun runProgram(std::vector<std::string> args, const std::string &output = "/dev/null")
{
    const pid_t child = fork();
    if (child == 0) {
        const int out = ::open(output.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(out, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        std::vector<char *> argv;
        for (std::string &arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    return {WIFEXITED(status) && WEXITSTATUS(status) == 0, usage.ru_maxrss};
}

// The console reporter that also remembers each benchmark's real time per iteration, so that a
// benchmark can print its cases' ratios last.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    // Colours only for a terminal, so that a log of the run stays readable.
    RatioReporter()
        : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular)
    {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (!run.error_occurred && run.iterations > 0)
                m_seconds[run.benchmark_name()] = run.real_accumulated_time
                                                  / double(run.iterations);
        }
    }

    [[nodiscard]] double seconds(const std::string &name) const
    {
        const auto it = m_seconds.find(name);
        return it == m_seconds.end() ? 0 : it->second;
    }

private:
    std::map<std::string, double> m_seconds;
};

// Runs the benchmarks registered so far, reporting to reporter.
inline void runAll(int &argc, char **argv, RatioReporter &reporter)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}

} // namespace BenchSupport
