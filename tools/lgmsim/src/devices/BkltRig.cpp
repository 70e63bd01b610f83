#include "BkltRig.h"

#include <algorithm>
#include <cmath>

namespace lgmsim::bklt {

namespace {

// The meter's frequency wanders a little; a new deviation every this many
// simulated seconds.
constexpr double kNoiseStep = 0.1;

uint32_t ticksOf(double seconds) {
    return static_cast<uint32_t>(static_cast<uint64_t>(std::floor(seconds * kTicksPerSecond)) &
                                 kTimerMask);
}

} // namespace

Rig::Rig(const RigSettings& settings) : settings_(settings), random_(settings.seed) {}

std::array<double, kChannels> Rig::frequencies() const {
    std::array<double, kChannels> f{};
    const double meter = (settings_.flow - settings_.intercept) / settings_.slope * noiseFactor_;
    f[settings_.meterChannel] += std::max(meter, 0.0);
    // m³/h to litres per second
    f[settings_.referenceChannel] +=
        std::max(settings_.flow / 3.6 * settings_.referencePulsesPerLitre, 0.0);
    return f;
}

void Rig::advance(double now) {
    while (now_ < now) {
        double end = std::min(now, nextNoise_);
        if (run_.openAt) {
            end = std::min(end, std::max(*run_.openAt, now_));
        }
        if (run_.open && run_.closeAt) {
            end = std::min(end, std::max(*run_.closeAt, now_));
        }
        const auto f = frequencies();
        // Mode 3 ends on the very pulse that reaches the criterion.
        std::optional<double> criterionPhase;
        if (run_.open && run_.mode == 3 && f[run_.channel] > 0.0) {
            const Channel& c = channels_[run_.channel];
            const double target = std::floor(c.phase) + (run_.criterion - c.count);
            const double at = now_ + (target - c.phase) / f[run_.channel];
            if (at <= end) {
                end = at;
                criterionPhase = target;
            }
        }
        const double dt = end - now_;
        for (int i = 0; i < kChannels; ++i) {
            Channel& c = channels_[i];
            const double p0 = c.phase;
            const double p1 =
                criterionPhase && i == run_.channel ? *criterionPhase : p0 + f[i] * dt;
            const double pulses = std::floor(p1) - std::floor(p0);
            if (run_.open && pulses >= 1.0) {
                if (!c.first) {
                    c.first = now_ + (std::floor(p0) + 1.0 - p0) / f[i];
                }
                c.last = now_ + (std::floor(p1) - p0) / f[i];
                c.count += static_cast<uint32_t>(pulses);
            }
            c.phase = p1;
        }
        now_ = end;
        if (criterionPhase) {
            closeWindow(now_);
        }
        if (run_.openAt && *run_.openAt <= now_) {
            openWindow(now_);
        } else if (run_.open && run_.closeAt && *run_.closeAt <= now_) {
            closeWindow(now_);
        }
        if (now_ >= nextNoise_) {
            noiseFactor_ = 1.0 + settings_.noise * spread_(random_);
            nextNoise_ += kNoiseStep;
        }
    }
}

void Rig::beginRun(double now, int mode) {
    advance(now);
    for (Channel& c : channels_) {
        c.count = 0;
        c.first.reset();
    }
    run_ = Run{};
    run_.mode = mode;
    run_.active = true;
    run_.start = now;
}

void Rig::openWindow(double at) {
    run_.open = true;
    run_.opened = at;
    run_.openAt.reset();
    run_.closeAt.reset();
    if ((run_.mode == 1 || run_.mode == 2) && settings_.gate > 0.0) {
        run_.closeAt = at + settings_.gate;
    }
}

void Rig::closeWindow(double at) {
    run_.open = false;
    run_.active = false;
    run_.ended = at;
    run_.closeAt.reset();
}

void Rig::startTimed(double now, uint32_t ticks) {
    beginRun(now, 0);
    run_.ticks = ticks == 0 ? kTimerMask + 1 : ticks;
    openWindow(now);
    run_.closeAt = now + run_.ticks / kTicksPerSecond;
}

void Rig::startStartStop(double now, int mode) {
    beginRun(now, mode);
    if (mode == 1) {
        openWindow(now);
    } else if (settings_.gate > 0.0) {
        run_.openAt = now + settings_.gateDelay;
    }
}

void Rig::startCounted(double now, uint32_t criterion, int channel) {
    beginRun(now, 3);
    run_.criterion = criterion;
    run_.channel = channel;
    openWindow(now);
}

void Rig::signal(double now) {
    advance(now);
    if (!run_.active || run_.mode == 0 || run_.mode == 3) {
        return;
    }
    if (run_.open) {
        closeWindow(now);
    } else {
        openWindow(now);
    }
}

void Rig::reset(double now) {
    advance(now);
    for (Channel& c : channels_) {
        c.count = 0;
        c.first.reset();
    }
    const int mode = run_.mode;
    run_ = Run{};
    run_.mode = mode;
}

void Rig::setFlow(double now, double flow) {
    advance(now);
    settings_.flow = flow;
}

Measurement Rig::measurement(double now) {
    advance(now);
    Measurement m;
    m.code = static_cast<uint8_t>(run_.mode);
    m.finished = !run_.active;
    const double until = run_.open ? now_ : run_.ended;
    if (run_.mode == 0) {
        // Counting up from 2^24 - ticks; once over, the overflow leaves 0.
        m.timer =
            run_.active
                ? static_cast<uint32_t>(
                      (kTimerMask + 1 - run_.ticks + ticksOf(until - run_.opened)) & kTimerMask)
                : 0;
    } else if (run_.open || run_.ended > run_.opened) {
        m.timer = ticksOf(until - run_.opened);
    }
    for (int i = 0; i < kChannels; ++i) {
        const Channel& c = channels_[i];
        m.count[i] = c.count & kTimerMask;
        m.channelTime[i] = c.first ? ticksOf(c.last - *c.first) : kTimerMask;
    }
    return m;
}

bool Rig::level(double now, int channel, double offset) {
    advance(now);
    const double f = frequencies()[channel];
    if (f <= 0.0) {
        return false;
    }
    const double phase = channels_[channel].phase + f * offset;
    return phase - std::floor(phase) < 0.5;
}

} // namespace lgmsim::bklt
