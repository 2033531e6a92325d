// The style-wizard solver over the built catalogue: one whole solve (the
// nearest of the 216 entries, then the pattern, scale and instrument trials;
// a goal of at most 20 ms on the UI thread), one profile, and one copy of a
// whole record, the two steps the solve repeats about a thousand times.
// Every run checks the profile it left is the working style's.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "baseline_ratio.h"
#include "core/settings.h"
#include "core/utilities.h"
#include "style/style_table.h"
#include "style/style_wizard.h"

namespace {

constexpr StyleProfile kTarget = {14, 6, 9, 15, 4, 12, 8, 3, 12, 16, 5};

void BuildCatalogue() {
    static const bool built = [] {
        InitDefaultSettings();
        BuildStyleTable();
        return true;
    }();
    (void)built;
}

void BM_SolveStyleWizard(benchmark::State& state) {
    BuildCatalogue();
    auto result = std::make_unique<MusicStyle>();
    int seed = 1;
    long long wrong = 0;
    double worst = 0;
    for (auto _ : state) {
        StyleWizardParams = kTarget;
        SeedRandomWith(seed++);
        const auto start = std::chrono::steady_clock::now();
        SolveStyleWizard();
        const auto end = std::chrono::steady_clock::now();
        const double ms = std::chrono::duration<double, std::milli>(end - start).count();
        if (ms > worst) worst = ms;
        GetWorkingStyle(*result);
        wrong += StyleWizardParams != ComputeStyleProfile(*result);
    }
    state.counters["worst_ms"] = worst;
    std::printf("SolveStyleWizard: worst %.2f ms (goal at most 20 ms)\n", worst);
    if (wrong != 0) state.SkipWithError("the profile left is not the working style's");
}

void BM_ComputeStyleProfile(benchmark::State& state) {
    BuildCatalogue();
    auto style = std::make_unique<MusicStyle>();
    GetStyleEntry(0, 1, *style);
    int sum = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(style.get());
        const StyleProfile profile = ComputeStyleProfile(*style);
        sum += profile[0];
    }
    benchmark::DoNotOptimize(sum);
}

// The baseline: a whole record copied out of the catalogue under its lock.
void BM_RecordCopy(benchmark::State& state) {
    BuildCatalogue();
    auto style = std::make_unique<MusicStyle>();
    int index = 0;
    for (auto _ : state) {
        GetStyleEntry(index / kStyleSlots, index % kStyleSlots, *style);
        index = (index + 1) % kStyleEntries;
        benchmark::DoNotOptimize(style.get());
    }
}

}  // namespace

BENCHMARK(BM_SolveStyleWizard)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_ComputeStyleProfile)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_RecordCopy)->Unit(benchmark::kNanosecond);

int main(int argc, char** argv) {
    return bench::RunWithBaselineRatios(argc, argv, {{"BM_ComputeStyleProfile", "BM_RecordCopy"}});
}
