#include "exchange/BkltConsole.h"

#include "document/Messages.h"
#include "document/Numbers.h"
#include "exchange/Tzorxthreadunit.h"

#include <cmath>

namespace {

constexpr const char* kChannelInUseText = "Этот канал уже используется";
constexpr const char* kBusyText = "Не завершен предыдущий обмен";
constexpr const char* kStopRefusedText = "Не удалось передать команду \"Стоп\"";
constexpr const char* kBadModeText = "Внутренняя ошибка - неверный код режима";
constexpr const char* kBadValueText = "Неверное значения параметра";

constexpr int kChannels = BKLT_CHANNELS;
constexpr double kMinDuration = 2.0;
constexpr double kMaxDuration = 4000.0;
constexpr int64_t kMinCriterion = 100;
constexpr int64_t kMaxCriterion = 10'000'000;
constexpr double kMinTemperature = 5.0;
constexpr double kMaxTemperature = 30.0;
// A rig time at or below this counts as a timer at zero.
constexpr double kTimerAtZero = 0.0001;

const std::vector<std::string> kChannelItems = {"1", "2", "3", "4"};
const std::vector<std::string> kModeItems = {"Остановка по времени", "Старт/стоп 1", "Старт/стоп 2",
                                             "Остановка по длительности"};

bool IsChannel(int channel) {
    return channel >= 0 && channel < kChannels;
}

} // namespace

BkltConsole::BkltConsole(ExchangeLink& link, CalibrationDocument& document)
    : link_(link), document_(document), buffer_(std::make_unique<RigBlock>()) {}

bool BkltConsole::Open() {
    if (!document_.GetBkltItemClick())
        return false;
    settings_ = BkltSettings{};
    return true;
}

void BkltConsole::Close() {
    if (stopEnabled_ && !stopSent_ &&
        Send(XCmd::StopRig, static_cast<uint32_t>(settings_.Mode), kBusyText))
        stopSent_ = true;
    applyEnabled_ = false;
}

void BkltConsole::ReadyBtnClick() {
    Close();
    document_.RigWindowClosed();
}

// --- Settings -------------------------------------------------------------------

ComboOutcome BkltConsole::ChangeChannel(int& channel, int other, int wanted) {
    if (!IsChannel(wanted))
        return {false, channel, {}};
    if (wanted == other) {
        ShowError(kChannelInUseText);
        return {false, channel, kChannelInUseText};
    }
    channel = wanted;
    return {true, wanted, {}};
}

ComboOutcome BkltConsole::FirstChComboChange(int channel) {
    return ChangeChannel(settings_.FirstChannel, settings_.SecondChannel, channel);
}

ComboOutcome BkltConsole::SecondChComboChange(int channel) {
    return ChangeChannel(settings_.SecondChannel, settings_.FirstChannel, channel);
}

void BkltConsole::ModeComboChange(int mode) {
    if (mode >= 0 && mode < BkltMode::kModes)
        settings_.Mode = mode;
}

void BkltConsole::CounterComboChange(int channel) {
    if (IsChannel(channel))
        settings_.CounterChannel = channel;
}

std::string BkltConsole::ArgumEditCommit(std::string_view text) {
    if (settings_.Mode == BkltMode::Time) {
        const std::optional<double> value = ReadReal(CommaToPoint(text));
        if (value && *value >= kMinDuration && *value <= kMaxDuration)
            settings_.Duration = *value;
    } else {
        const std::optional<int64_t> value = ReadInt64(text);
        if (value && *value >= kMinCriterion && *value <= kMaxCriterion)
            settings_.Criterion = static_cast<uint32_t>(*value);
    }
    return View().ArgumEdit.Text;
}

// --- Runs -------------------------------------------------------------------------

bool BkltConsole::Send(int32_t code, uint32_t argument, const char* refusal) {
    if (link_.SendCommand(code, argument, Buffer()))
        return true;
    ShowError(refusal);
    return false;
}

void BkltConsole::GoBtnClick() {
    BkltState& state = *Buffer();
    switch (settings_.Mode) {
    case BkltMode::Time:
        state.TimeRun.Duration = settings_.Duration;
        break;
    case BkltMode::Count:
        state.CountRun.Criterion = settings_.Criterion;
        state.CountRun.Channel = static_cast<uint32_t>(settings_.CounterChannel);
        break;
    case BkltMode::StartStop1:
    case BkltMode::StartStop2:
        break;
    default:
        ShowError(kBadModeText);
        return;
    }
    if (!Send(XCmd::StartRig, static_cast<uint32_t>(settings_.Mode), kBusyText))
        return;
    runDuration_ = settings_.Duration;
    stopSent_ = false;
    goEnabled_ = false;
    applyEnabled_ = false;
    stopEnabled_ = true;
}

void BkltConsole::StopBtnClick() {
    if (Send(XCmd::StopRig, 0, kBusyText))
        stopSent_ = true;
}

void BkltConsole::StateArrived(const BkltState& state) {
    if (state.Code > BKLT_CODE_COUNT)
        return;
    const BkltMeasurement& m = state.Measurement;
    if (state.Code == BKLT_CODE_TIME)
        // The timer runs from 4096 − T seconds up to its overflow, where it
        // reads zero: the full duration has passed.
        tq_ = m.Time > kTimerAtZero ? m.Time + runDuration_ - BKLT_TICKS_PER_SECOND : runDuration_;
    else
        tq_ = m.Time;
    t1_ = m.ChannelTime[settings_.FirstChannel];
    n1_ = static_cast<int32_t>(m.ChannelCount[settings_.FirstChannel]);
    n2_ = static_cast<int32_t>(m.ChannelCount[settings_.SecondChannel]);
    if ((state.Status & BKLT_STATUS_FINISHED) != 0 && stopEnabled_ && !stopSent_ &&
        Send(XCmd::StopRig, 0, kStopRefusedText))
        stopSent_ = true;
}

void BkltConsole::Stopped() {
    stopSent_ = false;
    goEnabled_ = true;
    applyEnabled_ = true;
    stopEnabled_ = false;
}

// --- Taking a run ---------------------------------------------------------------------

BkltField BkltConsole::ApplyBtnClick(std::string_view mass, std::string_view volume,
                                     std::string_view temperature) {
    const MeterSettings& settings = document_.Settings();
    const bool massMethod = settings.Method == MeasureMethod::Mass;
    const BkltField quantityField = massMethod ? BkltField::Mass : BkltField::Volume;
    const std::optional<double> quantity = ReadReal(CommaToPoint(massMethod ? mass : volume));
    if (!quantity || *quantity <= 0.0) {
        ShowError(kBadValueText);
        return quantityField;
    }
    const std::optional<double> water = ReadReal(CommaToPoint(temperature));
    if (!water || *water < kMinTemperature || *water > kMaxTemperature) {
        ShowError(kBadValueText);
        return BkltField::Temperature;
    }
    // A run without pulses or without time has no frequency to take.
    if (n1_ <= 0 || !(tq_ > 0.0) || !std::isfinite(tq_)) {
        ShowError(kBadValueText);
        return BkltField::None;
    }
    BkltResult result{};
    result.Temperature = *water;
    result.EtalonMass = massMethod ? *quantity : 0.0;
    result.EtalonVolume = massMethod ? 0.0 : *quantity;
    result.Tq = tq_;
    result.T1 = t1_;
    result.N1 = n1_;
    result.N2 = n2_;
    uint32_t flags = massMethod ? uint32_t{BkltFlag::Mass} : 0u;
    if (settings.Mode == WorkMode::Verification)
        flags |= BkltFlag::Verification;
    document_.AddBkltMeasurement(flags, result);
    return BkltField::None;
}

// --- View -----------------------------------------------------------------------------

BkltView BkltConsole::View() const {
    BkltView view;
    view.FirstChCombo = {kChannelItems, settings_.FirstChannel};
    view.SecondChCombo = {kChannelItems, settings_.SecondChannel};
    view.ModeCombo = {kModeItems, settings_.Mode};
    view.CounterCombo = {kChannelItems, settings_.CounterChannel};
    view.CounterCombo.Enabled = settings_.Mode == BkltMode::Count;
    view.ArgumEdit.Enabled = settings_.Mode == BkltMode::Time || settings_.Mode == BkltMode::Count;
    if (settings_.Mode == BkltMode::Time) {
        view.ArgumLabel = "Критерий останова (длительность, с):";
        view.ArgumEdit.Text = FormatInteger(static_cast<int64_t>(settings_.Duration));
    } else if (settings_.Mode == BkltMode::Count) {
        view.ArgumLabel = "Критерий останова (количество импульсов):";
        view.ArgumEdit.Text = FormatInteger(settings_.Criterion);
    }
    view.MassEnabled = document_.Settings().Method == MeasureMethod::Mass;
    view.VolumeEnabled = !view.MassEnabled;
    view.TqText = FormatFixed(tq_, 3);
    view.T1Text = FormatFixed(t1_, 3);
    view.N1Text = FormatInteger(n1_);
    view.N2Text = FormatInteger(n2_);
    view.GoEnabled = goEnabled_;
    view.StopEnabled = stopEnabled_;
    view.ApplyEnabled = applyEnabled_;
    return view;
}
