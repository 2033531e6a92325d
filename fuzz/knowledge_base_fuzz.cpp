// Arbitrary bytes as the four knowledge-base texts and a metre: the first
// byte is the metre code, the rest splits at 0xFF bytes into the pattern,
// cadence, time-chart and cadence time-chart texts (missing ones empty).
// The load from memory, the pattern weights, the counted picks and the time
// charts of every metre run over them; a time chart is written into exactly
// 256 heap slots, so a slot past them is caught, and must keep its shape:
// 1..253 lengths, then zeros to the last slot.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "compose/chord_record.h"
#include "compose/chord_weights.h"
#include "compose/compose_info.h"
#include "compose/knowledge_base.h"
#include "core/utilities.h"
#include "fuzz/quiet_platform.h"

namespace {

constexpr char kSeparator = '\xFF';

void CheckChart(const char* text, int metre) {
    auto chart = std::make_unique<int[]>(kTimeChartSlots);
    const int count = ReadTimeChart(chart.get(), text, metre);
    if (count < 1 || count > kMaxTimeChartLengths) std::abort();
    for (int i = 0; i < count; ++i)
        if (chart[i] <= 0 || chart[i] > 999) std::abort();
    for (int i = count; i < kTimeChartSlots; ++i)
        if (chart[i] != 0) std::abort();
}

// Every token of the pattern text weighs 1..9; its codes are looked up.
void CheckPatterns() {
    char token[kPatternEntrySize + 1];
    int length = 0, position = 0;
    for (bool atEnd = false; !atEnd;) {
        atEnd = ReadKnowledgeToken(PatternText, token, sizeof token, length, position);
        const int weight = PatternEntryWeight(token, length);
        if (weight < 1 || weight > 9) std::abort();
        ScaleString weights{};
        if (length >= 4) LookUpChordWeights(token, weights);
        if (length >= 8) LookUpChordWeights(token + 4, weights);
    }
}

void CheckCadencePicks() {
    auto entry = std::make_unique<char[]>(kKnowledgeTextSize + 1);
    const int entries = CountedEntryCount(CadenceText);
    for (int i = 0; i < 8; ++i) {
        int length = -1;
        const int k = PickCountedEntry(CadenceText, entry.get(), kKnowledgeTextSize + 1, length);
        if (k < 0 || k > entries || (k == 0 && length != 0)) std::abort();
        if (length < 0 || std::strlen(entry.get()) != static_cast<std::size_t>(length))
            std::abort();
        ScaleString weights{};
        for (int at = 0; at + 4 <= length; at += 4)
            LookUpChordWeights(entry.get() + at, weights);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    SeedRandomWith(1);
    if (size == 0) return 0;
    const int metre = static_cast<std::int8_t>(data[0]);
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string_view parts[4];
    for (auto& part : parts) {
        std::size_t cut = rest.find(kSeparator);
        part = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }
    LoadKnowledgeTexts(parts[0], parts[1], parts[2], parts[3]);
    if (TransitionCountScale < 1 ||
        TransitionCountScale != ComputeTransitionCountScale(PatternText))
        std::abort();

    CheckPatterns();
    CheckCadencePicks();
    for (int m : {kMetre44, kMetre34, kMetre78, metre}) {
        CheckChart(TimeChartText, m);
        CheckChart(CadenceTimeChartText, m);
    }
    return 0;
}
