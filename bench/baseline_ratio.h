// Ratios to baselines: a benchmark that runs beside its baseline in the same
// run gets, after the usual table, one line "ratio NAME / BASELINE = x.xx"
// (its time over the baseline's), so that a slowdown shows against work the
// same machine did at the same moment instead of against figures from
// another day.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <initializer_list>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace bench {

// A benchmark and its baseline, by name without arguments. Each instance
// NAME/ARGS is set against BASELINE/ARGS, or BASELINE alone when no
// baseline instance has the same arguments. A baseline may name one
// instance of the benchmark itself (BM_Effects/0).
struct BaselinePair {
    std::string name;
    std::string baseline;
};

// The console table, then the ratios. Times are CPU times per iteration, or
// real times for benchmarks measured in real time; with repetitions, the
// median.
class BaselineRatioReporter : public benchmark::ConsoleReporter {
public:
    explicit BaselineRatioReporter(std::initializer_list<BaselinePair> pairs)
        : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Color : OO_None), pairs_(pairs) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate;
            if (median && run.aggregate_name != "median") continue;
            const std::string& args = run.run_name.args;
            const std::string name = run.run_name.function_name + (args.empty() ? "" : "/" + args);
            const double time = run.run_name.time_type == "real_time" ? run.GetAdjustedRealTime()
                                                                      : run.GetAdjustedCPUTime();
            // A median, once there is one, stands for the repetitions.
            auto [it, added] = times_.try_emplace(name, Time{time, median});
            if (!added && (median || !it->second.median)) it->second = {time, median};
            order_.push_back(name);
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const std::string& name : order_)
            PrintRatio(name);
        order_.clear();
    }

private:
    struct Time {
        double value;
        bool median;
    };

    void PrintRatio(const std::string& name) {
        for (const BaselinePair& pair : pairs_) {
            const std::size_t n = pair.name.size();
            if (name.compare(0, n, pair.name) != 0 || (name.size() > n && name[n] != '/')) continue;
            auto base = times_.find(pair.baseline + name.substr(n));
            if (base == times_.end()) base = times_.find(pair.baseline);
            if (base == times_.end() || base->first == name || base->second.value <= 0) continue;
            if (!printed_.insert(name).second) return;
            char ratio[32];
            std::snprintf(ratio, sizeof ratio, "%.2f", times_.at(name).value / base->second.value);
            GetOutputStream() << "ratio " << name << " / " << base->first << " = " << ratio << "\n";
            return;
        }
    }

    std::vector<BaselinePair> pairs_;
    std::map<std::string, Time> times_;
    std::vector<std::string> order_;  // names as they ran
    std::set<std::string> printed_;
};

// What BENCHMARK_MAIN does, with the ratios printed after the table.
inline int RunWithBaselineRatios(int argc, char** argv, std::initializer_list<BaselinePair> pairs) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    BaselineRatioReporter reporter(pairs);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
