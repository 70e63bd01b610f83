// Reading and writing a meter's parameters through the exchange thread, as the
// main window does it: read the parameters and the journal (5, 7), write the
// journal and the parameters (6, 4), each with the version selector 0xFFFE.
// The thread runs on the real clock against lgmsim's version-2 meter with
// baud-rate timing, so every answer takes as long as its bytes on a 9600-baud
// line.
//
// One iteration is one run of the program: a fresh thread, so the adaptor's
// 3.25 s power-up comes once, with the first command. The goal: the four
// commands take the power-up plus the time their bytes (requests and
// answers) need at 9600 baud 8N1, within 5 %. An iteration outside it is
// reported as an error.
//
// Counters: measured_ms, expected_ms (power-up + line time of all bytes),
// deviation_pct, line_ms (all bytes), answer_ms (the answers alone, which the
// simulator times) and overhead_ms = measured - power-up - answer_ms, the
// thread's and the libraries' own share.
#include "MeterSamples.h"
#include "SimProcess.h"
#include "XMessageQueue.h"
#include "exchange/Tzorxthreadunit.h"

#include "ZorComLgm.h"
#include "approx/Sections.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <string>

namespace {

constexpr uint32_t kCom = 0;
constexpr double kPowerUpMs = 3250.0;
constexpr double kByteMs = 10.0 * 1000.0 / 9600.0; // start, 8 data, stop bits

long Counter(lgmsim::SimProcess& sim, const char* field) {
    return std::stol(sim.state(0)[field]);
}

void ParametersReadAndWrite(benchmark::State& state) {
    lgmsim::SimProcess sim({"lgm,version=2,baud-timing"});
    sim.bindComPort(kCom, 0);
    for (auto _ : state) {
        TZorXThread thread;
        XMessageQueue queue(RealXClock());
        thread.SetNotify(queue.Receiver(), kExchangeMessage, ZOR_INVALID_HANDLE);
        thread.Resume();
        if (!thread.SendCommand(XCmd::OpenPort, kCom, nullptr) ||
            !thread.PreparePort(XPortKind::Lgm)) {
            state.SkipWithError("cannot open the simulated meter");
            break;
        }
        const long received = Counter(sim, "received");
        const long sent = Counter(sim, "sent");
        MeterParams params = SampleMeterParams(2);
        ApproxDataList journal = SampleJournal();
        struct Step {
            int32_t code;
            void* data;
        };
        const Step steps[] = {{XCmd::ReadParams, &params},
                              {XCmd::ReadJournal, &journal},
                              {XCmd::WriteJournal, &journal},
                              {XCmd::WriteParams, &params}};
        bool ok = true;
        const auto start = std::chrono::steady_clock::now();
        for (const Step& step : steps) {
            const auto done = ok && thread.SendCommand(step.code, kVersionRecent, step.data)
                                  ? queue.Next(std::chrono::seconds(30))
                                  : std::nullopt;
            ok = done && done->WParam == uint32_t(step.code);
        }
        const double measured =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        state.SetIterationTime(measured / 1000.0);
        if (!ok) {
            state.SkipWithError("a command failed");
            break;
        }
        const double answerMs = double(Counter(sim, "sent") - sent) * kByteMs;
        const double lineMs = answerMs + double(Counter(sim, "received") - received) * kByteMs;
        const double expected = kPowerUpMs + lineMs;
        const double deviation = (measured - expected) / expected * 100.0;
        state.counters["measured_ms"] = measured;
        state.counters["expected_ms"] = expected;
        state.counters["deviation_pct"] = deviation;
        state.counters["line_ms"] = lineMs;
        state.counters["answer_ms"] = answerMs;
        state.counters["overhead_ms"] = measured - kPowerUpMs - answerMs;
        thread.Terminate();
        sim.waitForState(0, "connected", "0");
        if (std::fabs(deviation) > 5.0) {
            state.SkipWithError("more than 5 % away from the line's time");
            break;
        }
    }
}

BENCHMARK(ParametersReadAndWrite)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
