// How long the engine takes on calibrations of 32, 1 000 and 100 000 enabled
// measurements. Each iteration starts from the same shuffled list, as the
// operator's table would hand it over; copying it is not timed.

#include "approx/Approx.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr double kTpriv = 20.0;
constexpr int kSections = 12;

// A 50 mm meter from 0.3 to 30 m³/h: twelve flows, repeated runs at 15 … 25 °C
// with 0.2 % scatter, a characteristic that bends at low flows, and one
// switched-off run in sixteen. The operator marked breaks at sections 3, 6, 9.
TZorDataList MeterData(int enabled) {
    std::mt19937 random(2024);
    std::uniform_real_distribution<double> scatter(-0.002, 0.002);
    std::uniform_real_distribution<double> temperature(15.0, 25.0);
    TZorDataList list(static_cast<uint32_t>(enabled + enabled / 16 + 1));
    for (int i = 0; i < enabled + enabled / 16; ++i) {
        const int section = i % kSections;
        const double q = 0.3 * std::pow(100.0, section / double(kSections - 1));
        const double f = q / (0.1 * (1.0 + 0.04 / std::sqrt(q)));
        const double T = temperature(random);
        const double k = ViscosityRatio(T, kTpriv);
        MeasurementRecord r = NewMeasurement();
        r.Temperature = T;
        r.EtalonFlow = q * (1 + scatter(random)) / k;
        r.MeasuredFrequency = f * (1 + scatter(random)) / k;
        if (i >= enabled)
            r.Flags |= RecordFlag::Disabled;
        else if (section % 3 == 0 && section > 0 && i < kSections * 2)
            r.Flags |= RecordFlag::LinePoint; // the manual modes break there

        list.Add(r);
    }
    std::shuffle(list.Records().begin(), list.Records().end(), random);
    return list;
}

// Runs step on a fresh copy of the meter data in every iteration.
template <class Step> void Run(benchmark::State& state, Step step) {
    const TZorDataList original = MeterData(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        TZorDataList list = original;
        ApproxDataList data;
        LineTable lines{};
        state.ResumeTiming();
        if (step(list, data, lines) != ApproxError::None)
            state.SkipWithError("the step refused the meter data");
        benchmark::DoNotOptimize(lines);
        state.counters["lines"] = lines.LineCount;
    }
    state.SetComplexityN(state.range(0));
}

void Automatic(benchmark::State& state) {
    Run(state, [](auto& list, auto& data, auto& lines) {
        return ApproxAutomatic(list, data, lines, 0.05, 0.002, kTpriv);
    });
}

void ManualByMeans(benchmark::State& state) {
    Run(state, [](auto& list, auto& data, auto& lines) {
        return ApproxManual(list, data, lines, 0.05, kTpriv, true);
    });
}

void ManualByAll(benchmark::State& state) {
    Run(state, [](auto& list, auto& data, auto& lines) {
        return ApproxManual(list, data, lines, 0.05, kTpriv, false);
    });
}

void Standard(benchmark::State& state) {
    const StandardPartition partition{0.05, 0.01, kTpriv, {2, 5, 8, 10}};
    Run(state, [&](auto& list, auto& data, auto& lines) {
        return ApproxStandard(list, data, lines, partition);
    });
}

void Linear(benchmark::State& state) {
    Run(state, [](auto& list, auto&, auto& lines) { return ApproxLinear(list, lines, kTpriv); });
}

void Proportional(benchmark::State& state) {
    Run(state, [](auto& list, auto&, auto& lines) { return ApproxProportional(list, lines); });
}

void Split(benchmark::State& state) {
    Run(state, [](auto& list, auto&, auto&) { return SplitSections(list, 0.05, kTpriv); });
}

void SortByFlow(benchmark::State& state) {
    Run(state, [](auto& list, auto&, auto&) {
        return list.SortByFlow() ? ApproxError::None : ApproxError::BadMeasurement;
    });
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(32)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond)->Complexity();
}

BENCHMARK(Automatic)->Apply(Sizes);
BENCHMARK(ManualByMeans)->Apply(Sizes);
BENCHMARK(ManualByAll)->Apply(Sizes);
BENCHMARK(Standard)->Apply(Sizes);
BENCHMARK(Linear)->Apply(Sizes);
BENCHMARK(Proportional)->Apply(Sizes);
BENCHMARK(Split)->Apply(Sizes);
BENCHMARK(SortByFlow)->Apply(Sizes);

} // namespace
