#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// The console reporter that also remembers each benchmark's real time per iteration, so that a
// benchmark can print its cases' ratios last.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    using ConsoleReporter::ConsoleReporter;

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
