// lgmsoak [SECONDS] [--seed N]: the soak of the exchange thread (see
// SoakRun.h) for SECONDS (default 180), ending with one summary line.
// Exits with 0 when nothing was wrong, 1 on a violation, 2 on bad arguments;
// a hang aborts it. scripts/soak.sh runs it from the sanitizer build.
#include "SoakRun.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string_view>

namespace {

bool ParseNumber(std::string_view text, uint32_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

int main(int argc, char** argv) {
    SoakOptions options;
    options.Seed = std::random_device{}();
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        uint32_t value = 0;
        if (arg == "--seed" && i + 1 < argc && ParseNumber(argv[i + 1], value)) {
            options.Seed = value;
            ++i;
        } else if (ParseNumber(arg, value) && value > 0) {
            options.Duration = std::chrono::seconds(value);
        } else {
            std::fprintf(stderr, "usage: lgmsoak [SECONDS] [--seed N]\n");
            return 2;
        }
    }
    // The devices' time-outs a twentieth of the real ones, so a fault costs
    // the soak little time: the meter's 6 s wait becomes 0.3 s, the rig's
    // 0.5 s 25 ms (loopback answers in a few). Read once, before the first
    // exchange.
    setenv("ZORCOM_TIME_SCALE", "0.05", 0);

    const auto start = std::chrono::steady_clock::now();
    const SoakTally tally = RunSoak(options);
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
    std::printf("%s\n", tally.Summary(elapsed, options.Seed).c_str());
    return tally.Violations.empty() ? 0 : 1;
}
