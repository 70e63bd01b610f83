// The test rig behind the simulated БКЛТ controller: water flowing through
// the meter under test and a reference meter, both giving pulses into the
// controller's four counter channels, and the controller's measurement runs
// over them. Time is simulated seconds, handed in by the caller; the model
// catches up lazily whenever it is asked.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>

namespace lgmsim::bklt {

inline constexpr int kChannels = 4;
inline constexpr double kTicksPerSecond = 4096.0;
inline constexpr uint32_t kTimerMask = 0xFFFFFF;

struct RigSettings {
    double flow = 10.0;     // m³/h through both meters
    double slope = 0.02;    // the meter under test: Q = slope·f + intercept
    double intercept = 0.0; // m³/h
    double noise = 0.002;   // relative spread of the meter's frequency
    double referencePulsesPerLitre = 100.0;
    int meterChannel = 0;     // 0 … 3
    int referenceChannel = 1; // 0 … 3
    double gate = 60.0;       // s between the diverter's start and stop signals
                              // (0: only the signal command gives them)
    double gateDelay = 1.0;   // s from the start command to the start signal (mode 2)
    uint32_t seed = 1;
};

// What the controller reports of its measurement.
struct Measurement {
    uint8_t code = 0;                              // the mode of the run, 0 … 3
    bool finished = true;                          // the run is over (or none was started)
    uint32_t timer = 0;                            // the time counter, 24 bits
    std::array<uint32_t, kChannels> channelTime{}; // ticks from first to last pulse; 0xFFFFFF none
    std::array<uint32_t, kChannels> count{};       // pulses, 24 bits
};

class Rig {
public:
    explicit Rig(const RigSettings& settings);

    // Mode 0: the timer starts at 2^24 - ticks (ticks 0: a whole 2^24) and the
    // run ends at its overflow.
    void startTimed(double now, uint32_t ticks);
    // Mode 1: from the command until the diverter's stop signal. Mode 2: from
    // the diverter's start signal until its stop signal.
    void startStartStop(double now, int mode);
    // Mode 3: until channel has counted criterion pulses.
    void startCounted(double now, uint32_t criterion, int channel);
    // The diverter's next signal, now.
    void signal(double now);
    // Ends the run and clears the counters.
    void reset(double now);

    void setFlow(double now, double flow);
    double flow() const { return settings_.flow; }

    Measurement measurement(double now);

    // The channel's pulse signal at now + offset, from its phase and present
    // frequency: high for the first half of every period.
    bool level(double now, int channel, double offset);

private:
    struct Channel {
        double phase = 0.0; // pulses since the start of the simulation, fractional
        uint32_t count = 0;
        std::optional<double> first;
        double last = 0.0;
    };

    struct Run {
        int mode = 0;
        bool active = false;           // started and not yet finished
        bool open = false;             // the counting window is open
        double start = 0.0;            // the start command
        double opened = 0.0;           // the window opened
        double ended = 0.0;            // the window closed
        uint32_t ticks = 0;            // mode 0
        uint32_t criterion = 0;        // mode 3
        int channel = 0;               // mode 3
        std::optional<double> openAt;  // a start signal to come
        std::optional<double> closeAt; // the end to come
    };

    void advance(double now);
    void beginRun(double now, int mode);
    void openWindow(double at);
    void closeWindow(double at);
    std::array<double, kChannels> frequencies() const;

    RigSettings settings_;
    std::mt19937 random_;
    std::normal_distribution<double> spread_{0.0, 1.0};
    double noiseFactor_ = 1.0;
    double nextNoise_ = 0.0;
    double now_ = 0.0;
    std::array<Channel, kChannels> channels_;
    Run run_;
};

} // namespace lgmsim::bklt
