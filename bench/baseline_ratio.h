// Ratios to baselines: a benchmark that runs beside its baseline in the same
// run gets, after the usual table, one line "ratio NAME / BASELINE = x.xx"
// (its time over the baseline's; a counter in JSON and CSV), so that a slowdown shows against work
// the same machine did at the same moment instead of against figures from another day.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <initializer_list>
#include <map>
#include <optional>
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

// The report in the format --benchmark_format asks for, with the ratios:
// in the console format as lines after the table; in JSON and CSV as the
// counter "ratio_to_baseline" of each benchmark that has a baseline (those
// reports are held back until every time is known). Times are CPU times per
// iteration, or real times for benchmarks measured in real time; with
// repetitions, the median.
class BaselineRatioReporter : public benchmark::BenchmarkReporter {
public:
    explicit BaselineRatioReporter(std::initializer_list<BaselinePair> pairs)
        : inner_(benchmark::CreateDefaultDisplayReporter()),
          console_(dynamic_cast<benchmark::ConsoleReporter*>(inner_) != nullptr),
          pairs_(pairs) {}

    bool ReportContext(const Context& context) override {
        inner_->SetOutputStream(&GetOutputStream());
        inner_->SetErrorStream(&GetErrorStream());
        if (console_) return inner_->ReportContext(context);
        context_.emplace(context);
        return true;
    }

    void ReportRuns(const std::vector<Run>& runs) override {
        if (console_) inner_->ReportRuns(runs);
        for (const Run& run : runs) {
            if (!console_) held_.push_back(run);
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate;
            if (median && run.aggregate_name != "median") continue;
            const std::string name = NameOf(run);
            const double time = run.run_name.time_type == "real_time" ? run.GetAdjustedRealTime()
                                                                      : run.GetAdjustedCPUTime();
            // A median, once there is one, stands for the repetitions.
            auto [it, added] = times_.try_emplace(name, Time{time, median});
            if (!added && (median || !it->second.median)) it->second = {time, median};
            order_.push_back(name);
        }
    }

    void Finalize() override {
        if (console_) {
            inner_->Finalize();
            for (const std::string& name : order_) {
                double ratio = 0;
                std::string base;
                if (!printed_.insert(name).second || !Ratio(name, ratio, base)) continue;
                char text[32];
                std::snprintf(text, sizeof text, "%.2f", ratio);
                inner_->GetOutputStream()
                    << "ratio " << name << " / " << base << " = " << text << "\n";
            }
        } else {
            for (Run& run : held_) {
                double ratio = 0;
                std::string base;
                if (!run.error_occurred && Ratio(NameOf(run), ratio, base))
                    run.counters["ratio_to_baseline"] = benchmark::Counter(ratio);
            }
            if (context_) inner_->ReportContext(*context_);
            if (!held_.empty()) inner_->ReportRuns(held_);
            inner_->Finalize();
            held_.clear();
        }
        order_.clear();
    }

private:
    struct Time {
        double value;
        bool median;
    };

    static std::string NameOf(const Run& run) {
        const std::string& args = run.run_name.args;
        return run.run_name.function_name + (args.empty() ? "" : "/" + args);
    }

    // The benchmark's time over its baseline's; false without a baseline.
    bool Ratio(const std::string& name, double& ratio, std::string& baseName) const {
        for (const BaselinePair& pair : pairs_) {
            const std::size_t n = pair.name.size();
            if (name.compare(0, n, pair.name) != 0 || (name.size() > n && name[n] != '/')) continue;
            auto base = times_.find(pair.baseline + name.substr(n));
            if (base == times_.end()) base = times_.find(pair.baseline);
            const auto self = times_.find(name);
            if (base == times_.end() || self == times_.end() || base->first == name ||
                base->second.value <= 0)
                continue;
            ratio = self->second.value / base->second.value;
            baseName = base->first;
            return true;
        }
        return false;
    }

    benchmark::BenchmarkReporter* inner_;  // the library's, for the flag's format
    bool console_;
    std::vector<BaselinePair> pairs_;
    std::map<std::string, Time> times_;
    std::vector<std::string> order_;  // names as they ran
    std::set<std::string> printed_;
    std::optional<Context> context_;
    std::vector<Run> held_;
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
