// The device commands of the exchange thread, run on the worker. Each stops
// at its first failing step and returns that step's code.
#include "exchange/XThreadImpl.h"

#include "approx/Sections.h"

#include "NkComPort.h"
#include "ZorComBklt.h"
#include "ZorComGkms.h"

#include <algorithm>
#include <array>

namespace {

constexpr int32_t kErrNotOpen = -18;
constexpr int32_t kErrBadParam = -19;
constexpr int32_t kErrNoAdaptor = -26;
constexpr int32_t kErrWrongVersion = -27;

// RTS off, DTR on: the adaptor's supply.
constexpr uint32_t kAdaptorPower = 14;
constexpr uint32_t kDtrOff = 8;
constexpr uint32_t kDtrOn = 12;
constexpr uint32_t kPowerUpMs = 3000;
constexpr uint32_t kDtrLowMs = 100;
constexpr uint32_t kDtrSettleMs = 150;

constexpr uint32_t kShortSupply = 0x05;
constexpr uint32_t kShortVersion = 0x08;
constexpr uint32_t kShortThermo = 0x16;

constexpr uint32_t kVersionFreshMs = 5000;
constexpr uint32_t kOutputTestMs = 15000;
constexpr uint32_t kProgressStepMs = 200;
constexpr uint32_t kProgressDivisor = 15;

// A flash duration the adaptor reads reliably.
constexpr uint32_t kFlashLow = 26;
constexpr uint32_t kFlashHigh = 79;
constexpr int32_t kTopLevel = 3;

// Room for any block or table the meter sends, and the length handed to the
// writes (which take only the block's own length of it).
using MeterBuffer = std::array<uint8_t, 256>;
constexpr uint32_t kWriteLength = 128;

} // namespace

// --- Shared steps ----------------------------------------------------------

// The adaptor takes its supply from the control lines and needs seconds to
// come up after they are raised; a DTR pulse then resets it. Once the lines
// are set they stay so for the rest of the run.
void TZorXThread::Impl::PowerAdaptor(uint32_t control) {
    if (static_cast<int32_t>(control) == lastControl)
        return;
    const int32_t open = port.load();
    const int32_t set = NkComPortSetControl(open, control);
    Log("Подготовка порта\r\n");
    if (set < 0)
        return;
    lastControl = static_cast<int32_t>(control);
    clock->Sleep(kPowerUpMs);
    Log("Сброс DTR\r\n");
    NkComPortSetControl(open, kDtrOff);
    clock->Sleep(kDtrLowMs);
    NkComPortSetControl(open, kDtrOn);
    Log("Установка DTR\r\n");
    clock->Sleep(kDtrSettleMs);
}

int32_t TZorXThread::Impl::CheckDsr(int32_t open) {
    uint32_t status = 0;
    const int32_t read = NkComPortGetControl(open, &status);
    if (read < 0)
        return read;
    return (status & NKCOMPORT_MODEM_DSR) ? 0 : kErrNoAdaptor;
}

int32_t TZorXThread::Impl::OpenMeter(void* record, bool checkDsr, bool purge) {
    if (!record)
        return kErrBadParam;
    const int32_t open = port.load();
    if (open < 0)
        return kErrNotOpen;
    PowerAdaptor(kAdaptorPower);
    if (checkDsr) {
        if (const int32_t r = CheckDsr(open); r < 0)
            return r;
    }
    return purge ? NkComPortPurge(open, NKCOMPORT_PURGE_INPUT) : 0;
}

int32_t TZorXThread::Impl::SelectVersion(uint32_t selector, uint32_t& version) {
    bool ask = false;
    switch (selector & 0xFFFF) {
    case kVersionAsk:
        ask = true;
        break;
    case kVersionRecent:
        ask = !versionKnown || clock->TickCount() - stamp >= kVersionFreshMs;
        break;
    case kVersionCached:
        ask = !versionKnown;
        break;
    default:
        version = selector & 0xFF;
        return 0;
    }
    if (!ask) {
        version = cachedVersion;
        return 0;
    }
    uint32_t value = 0;
    const int32_t read = ZorComLgmReadShort(port.load(), kShortVersion, &value);
    if (read < 0)
        return read;
    cachedVersion = value;
    versionKnown = true;
    version = value;
    return 0;
}

int32_t TZorXThread::Impl::WakeMeter(uint32_t selector, uint32_t& version) {
    uint32_t adaptor = 0;
    if (const int32_t r = ZorComLgmReadAdaptor(port.load(), &adaptor); r < 0)
        return r;
    return SelectVersion(selector, version);
}

int32_t TZorXThread::Impl::ReadBlock(BlockReader read, uint32_t selector, uint32_t& version,
                                     uint8_t* block, uint32_t size) {
    if (const int32_t r = SelectVersion(selector, version); r < 0)
        return r;
    if (const int32_t r = read(port.load(), version, block, size); r < 0)
        return r;
    stamp = clock->TickCount();
    return 0;
}

int32_t TZorXThread::Impl::ExtractInto(uint32_t version, const uint8_t* block, void* record) {
    auto& params = *static_cast<MeterParams*>(record);
    MeterParams read = params;
    if (const int32_t r = ZorComLgmExtractParameters(version, block, &read); r < 0)
        return r;
    params = read;
    return 0;
}

// --- Meter commands --------------------------------------------------------

int32_t TZorXThread::Impl::WriteGkmsParams(uint32_t arg, void* record) {
    const int32_t open = port.load();
    if (open < 0)
        return kErrNotOpen;
    if (!record)
        return kErrBadParam;
    const auto& params = *static_cast<const MeterParams*>(record);
    const GkmsParams request{0.0, params.A[0], params.B[0], params.DuIndex};
    return ZorComGkmsSetParams(open, arg & 0xFF, &request);
}

int32_t TZorXThread::Impl::WriteParams(uint32_t arg, void* record) {
    if (const int32_t r = OpenMeter(record, true, true); r < 0)
        return r;
    auto& params = *static_cast<MeterParams*>(record);
    uint32_t version = 0;
    if (const int32_t r = WakeMeter(arg, version); r < 0)
        return r;
    if (version != params.Version)
        return kErrWrongVersion;
    MeterBuffer block{};
    if (const int32_t r = ZorComLgmPackParameters(version, &params, block.data()); r < 0)
        return r;
    return ZorComLgmWriteParams(port.load(), version, ZORCOMLGM_PRIVILEGED, block.data(),
                                kWriteLength);
}

int32_t TZorXThread::Impl::ReadParams(uint32_t arg, void* record) {
    if (const int32_t r = OpenMeter(record, true, true); r < 0)
        return r;
    uint32_t version = 0;
    MeterBuffer block{};
    if (const int32_t r = ReadBlock(ZorComLgmReadParams, arg, version, block.data(), block.size());
        r < 0)
        return r;
    return ExtractInto(version, block.data(), record);
}

int32_t TZorXThread::Impl::WriteJournal(uint32_t arg, void* record) {
    if (const int32_t r = OpenMeter(record, true, false); r < 0)
        return r;
    const auto& list = *static_cast<const ApproxDataList*>(record);
    MeterBuffer journal{};
    const uint32_t count = std::min<uint32_t>(list.Count, list.Items.size());
    if (const int32_t r =
            ZorComLgmPackJournal(journal.data(), list.DuIndex, list.Items.data(), count);
        r < 0)
        return r;
    uint32_t version = 0;
    if (const int32_t r = WakeMeter(arg, version); r < 0)
        return r;
    return ZorComLgmWriteTable(port.load(), version, ZORCOMLGM_PRIVILEGED, journal.data(),
                               kWriteLength);
}

int32_t TZorXThread::Impl::ReadJournal(uint32_t arg, void* record) {
    if (const int32_t r = OpenMeter(record, true, true); r < 0)
        return r;
    uint32_t version = 0;
    MeterBuffer table{};
    if (const int32_t r = ReadBlock(ZorComLgmReadTable, arg, version, table.data(), table.size());
        r < 0)
        return r;
    // The version-2 table starts with the thermo-compensation byte.
    const uint8_t* journal = table.data() + (version == 2 ? 1 : 0);
    auto& list = *static_cast<ApproxDataList*>(record);
    uint32_t count = 0;
    // A journal the meter never got is no exchange failure: the list is
    // simply empty.
    if (ZorComLgmExtractJournal(journal, list.DuIndex, list.Items.data(), &count) < 0)
        count = 0;
    list.Count = count;
    return 0;
}

int32_t TZorXThread::Impl::ReadSupply(void* record) {
    if (const int32_t r = OpenMeter(record, true, true); r < 0)
        return r;
    uint32_t value = 0;
    if (const int32_t r = ZorComLgmReadShort(port.load(), kShortSupply, &value); r < 0)
        return r;
    *static_cast<uint8_t*>(record) = static_cast<uint8_t>(value);
    return 0;
}

int32_t TZorXThread::Impl::ReadThermoSensor(void* record) {
    if (const int32_t r = OpenMeter(record, false, true); r < 0)
        return r;
    uint32_t value = 0;
    if (const int32_t r = ZorComLgmReadShort(port.load(), kShortThermo, &value); r < 0)
        return r;
    *static_cast<uint32_t*>(record) = value & 0xFF;
    return 0;
}

int32_t TZorXThread::Impl::WriteThermoCompensation(uint32_t arg, void* record) {
    if (const int32_t r = OpenMeter(record, false, true); r < 0)
        return r;
    uint32_t version = 0;
    if (const int32_t r = WakeMeter(arg, version); r < 0)
        return r;
    return ZorComLgmSetThermoCompensation(port.load(), version, ZORCOMLGM_PRIVILEGED,
                                          static_cast<const double*>(record));
}

int32_t TZorXThread::Impl::ReadThermoCompensation(uint32_t arg, void* record) {
    if (const int32_t r = OpenMeter(record, false, true); r < 0)
        return r;
    uint32_t version = 0;
    MeterBuffer table{};
    if (const int32_t r = ReadBlock(ZorComLgmReadTable, arg, version, table.data(), table.size());
        r < 0)
        return r;
    *static_cast<uint32_t*>(record) = table[0];
    return 0;
}

int32_t TZorXThread::Impl::OutputTest(uint32_t arg, void* record) {
    if (const int32_t r = OpenMeter(record, false, true); r < 0)
        return r;
    const int32_t open = port.load();
    uint32_t version = 0;
    if (const int32_t r = WakeMeter(arg, version); r < 0)
        return r;
    MeterBuffer block{};
    if (const int32_t r = ZorComLgmReadParams(open, version, block.data(), block.size()); r < 0)
        return r;
    const MeterBuffer kept = block;
    stamp = clock->TickCount();
    if (const int32_t r = ExtractInto(version, block.data(), record); r < 0)
        return r;
    PostRaw(XCmd::TestParams, reinterpret_cast<intptr_t>(record));

    if (const int32_t r = ZorComLgmModifyForTest(version, block.data()); r < 0)
        return r;
    const int32_t test =
        ZorComLgmWriteParams(open, version, ZORCOMLGM_PRIVILEGED, block.data(), kWriteLength);
    if (test >= 0)
        RunOutputTestTimer();
    // Even a test block whose write failed may have reached the meter: the
    // meter's own parameters go back in any case.
    const int32_t restore =
        ZorComLgmWriteParams(open, version, ZORCOMLGM_PRIVILEGED, kept.data(), kWriteLength);
    return test < 0 ? test : restore;
}

void TZorXThread::Impl::RunOutputTestTimer() {
    const uint32_t start = clock->TickCount();
    for (;;) {
        uint32_t elapsed = clock->TickCount() - start;
        // Steps on the 200 ms grid; a late wake-up skips the steps it missed.
        clock->Sleep((elapsed / kProgressStepMs + 1) * kProgressStepMs - elapsed);
        elapsed = std::min(clock->TickCount() - start, kOutputTestMs);
        PostRaw(XCmd::TestProgress, static_cast<intptr_t>(elapsed / kProgressDivisor));
        if (elapsed >= kOutputTestMs || stop.load())
            return;
    }
}

// --- Adaptor ---------------------------------------------------------------

int32_t TZorXThread::Impl::TuneAdaptor(void* record) {
    // The window shows the record it gets back, also after a failure.
    resultData = record;
    const int32_t open = port.load();
    if (open < 0)
        return kErrNotOpen;
    if (!record)
        return kErrBadParam;
    auto& tuning = *static_cast<AdaptorTuning*>(record);
    PowerAdaptor(kAdaptorPower);
    if (const int32_t r = CheckDsr(open); r < 0)
        return r;
    if (const int32_t r = NkComPortPurge(open, NKCOMPORT_PURGE_INPUT); r < 0)
        return r;
    uint32_t identity = 0;
    if (const int32_t r = ZorComLgmReadAdaptor(open, &identity); r < 0)
        return r;
    tuning.Number = (identity >> 16) & 0x7FFF;
    tuning.Version = identity & 0xFF;

    const bool automatic = tuning.Automatic != 0;
    int32_t level = automatic ? kTopLevel : tuning.Level;
    uint32_t duration = 0;
    int32_t outcome = 0;
    for (;;) {
        duration = 0;
        outcome = ZorComLgmSetLevel(open, tuning.Version, static_cast<uint32_t>(level));
        if (outcome >= 0)
            outcome = ZorComLgmGetLongitude(open, tuning.Version, &duration);
        if (outcome < 0 || !automatic || (duration >= kFlashLow && duration <= kFlashHigh))
            break;
        if (--level < 0)
            break;
    }
    tuning.Level = level;
    tuning.Duration = duration;
    return outcome;
}

// --- Rig controller --------------------------------------------------------

int32_t TZorXThread::Impl::StartRig(uint32_t arg, void* record) {
    const int32_t open = port.load();
    if (open < 0)
        return kErrNotOpen;
    if (const int32_t r = ZorComBkltPrepare(open, 0); r < 0)
        return r;
    if (const int32_t r = NkComPortPurge(open, NKCOMPORT_PURGE_INPUT); r < 0)
        return r;
    const int32_t run =
        ZorComBkltRun(open, arg & 0xFF, (arg >> 16) & 1, static_cast<BkltState*>(record));
    if (run >= 0) {
        polling = true;
        pollStamp = clock->TickCount();
        pollWait = pollPeriod;
        pollFailures = 0;
    }
    return run;
}

int32_t TZorXThread::Impl::StopRig(void* record) {
    const int32_t open = port.load();
    if (open < 0)
        return kErrNotOpen;
    auto* state = static_cast<BkltState*>(record);
    const int32_t stopped = ZorComBkltCheckState(open, 1, state);
    if (stopped >= 0) {
        polling = false;
        PublishRigState(*state);
    }
    return stopped;
}
