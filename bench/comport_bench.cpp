// A meter's parameter read as the serial library sees it: a 1-byte request
// and a 47-byte answer, through the RFC 2217 backend against lgmsim on
// loopback. The goal is a median round trip under 1 ms.
#include "NkComPort.h"
#include "SimProcess.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

constexpr int32_t kPort = 0;

bool openAt9600(lgmsim::SimProcess& sim) {
    sim.bindComPort(kPort, 0);
    if (NkComPortOpen(kPort) != kPort) {
        return false;
    }
    NkComPortConfig config{};
    config.Mask = NKCOMPORT_CFG_BAUDRATE | NKCOMPORT_CFG_DATABITS | NKCOMPORT_CFG_PARITY |
                  NKCOMPORT_CFG_STOPBITS | NKCOMPORT_CFG_RAW;
    config.BaudRate = 9600;
    config.DataBits = 8;
    return NkComPortSetConfig(kPort, &config) == NKCOMPORT_OK;
}

// Reports the median and 99th percentile of the single round trips; the
// library's mean would hide the spread.
void reportSpread(benchmark::State& state, std::vector<double>& micros) {
    if (micros.empty()) {
        return;
    }
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
}

void roundTrips(benchmark::State& state, bool purgeFirst) {
    lgmsim::SimProcess sim({"echo,length=47"});
    if (!openAt9600(sim)) {
        state.SkipWithError("cannot open the simulated port");
        return;
    }
    const uint8_t request = 0x21;
    uint8_t answer[47];
    std::vector<double> micros;
    micros.reserve(static_cast<size_t>(state.max_iterations));
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (purgeFirst && NkComPortPurge(kPort, NKCOMPORT_PURGE_INPUT) != NKCOMPORT_OK) {
            state.SkipWithError("purge failed");
            break;
        }
        if (NkComPortWriteAndRead(kPort, &request, 1, answer, sizeof answer, 1000) !=
            NKCOMPORT_OK) {
            state.SkipWithError("round trip failed");
            break;
        }
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    NkComPortClose(kPort);
    reportSpread(state, micros);
}

void BM_ParameterRead(benchmark::State& state) {
    roundTrips(state, false);
}
void BM_PurgeThenParameterRead(benchmark::State& state) {
    roundTrips(state, true);
}

} // namespace

BENCHMARK(BM_ParameterRead)->Iterations(5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PurgeThenParameterRead)->Iterations(5000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
