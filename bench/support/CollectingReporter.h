#pragma once
// A console reporter that also keeps the mean time per iteration of every benchmark it prints
// (processor time, or wall-clock time with wallClock true), for the ratios a program prints last.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class CollectingReporter : public benchmark::ConsoleReporter {
public:
    explicit CollectingReporter(bool wallClock = false) : m_wallClock(wallClock) {}
    void ReportRuns(const std::vector<Run> &report) override
    {
        for (const Run &run : report)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0)
                seconds[run.run_name.function_name] =
                    (m_wallClock ? run.real_accumulated_time : run.cpu_accumulated_time) / double(run.iterations);
        ConsoleReporter::ReportRuns(report);
    }
    std::map<std::string, double> seconds;

private:
    bool m_wallClock;
};
