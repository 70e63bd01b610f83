#include "exchange/MeterExchange.h"

#include "document/Messages.h"
#include "exchange/Tzorxthreadunit.h"

#include "ZorComGkms.h"
#include "ZorCommon.h"
#include "ZorLang.h"

namespace {

constexpr const char* kNoPortText = "Не выбран рабочий COM-порт";
constexpr const char* kPortSetUpText = "Не удалось настроить порт";
constexpr const char* kOpenFailedText = "Не удалосось открыть COM-порт";
constexpr const char* kRefusedText = "Не удалось передать команду драйверу";
constexpr const char* kBusyText = "Не завершен предыдущий обмен";
constexpr const char* kReadText = "Данные считаны успешно";
constexpr const char* kWrittenText = "Данные переданы успешно";

double GkmsLimit(int32_t unused, uint32_t duIndex) {
    return ZorComGkmsLimit(static_cast<uint32_t>(unused), duIndex);
}

// Commands that read or write the characteristic or the data list.
bool IsDocumentCommand(int32_t code) {
    switch (code) {
    case XCmd::WriteGkmsParams:
    case XCmd::WriteParams:
    case XCmd::ReadParams:
    case XCmd::WriteJournal:
    case XCmd::ReadJournal:
    case XCmd::OutputTest:
        return true;
    default:
        return false;
    }
}

} // namespace

MeterExchange::MeterExchange(ExchangeLink& link, CalibrationDocument& document,
                             ExchangeViews& views)
    : link_(link), document_(document), views_(views), rig_(link, document) {
    document_.SetCoefficientLimitSource(&GkmsLimit);
}

// --- Sending ------------------------------------------------------------------------

bool MeterExchange::SetUpPort(uint32_t kind, const char* refusal) {
    if (document_.PortIndex() < 0) {
        ShowError(kNoPortText);
        return false;
    }
    // The preparation runs in this thread: it must not meet a running
    // command on the port, so a busy thread refuses first.
    if (link_.IsBusy()) {
        ShowError(refusal);
        return false;
    }
    if (!link_.PreparePort(kind)) {
        ShowError(kPortSetUpText);
        return false;
    }
    return true;
}

bool MeterExchange::Send(int32_t code, uint32_t argument, void* data, const char* refusal) {
    if (!link_.SendCommand(code, argument, data)) {
        ShowError(refusal);
        return false;
    }
    if (IsDocumentCommand(code))
        document_.SetExchangeBusy(true);
    return true;
}

void MeterExchange::SendWithProgress(int32_t code, uint32_t argument, void* data,
                                     const char* refusal) {
    if (Send(code, argument, data, refusal))
        views_.ShowProgress();
}

void MeterExchange::SendFollowUp(int32_t code, void* data) {
    if (link_.SendCommand(code, kVersionRecent, data))
        return;
    DocumentCommandEnded();
    views_.HideProgress();
    ShowError(kRefusedText);
}

void MeterExchange::DocumentCommandEnded() {
    document_.SetExchangeBusy(false);
}

// --- Main window ------------------------------------------------------------------------

void MeterExchange::PortChosen(int port) {
    if (port != document_.PortIndex()) {
        const bool opened = link_.OpenPort(port);
        document_.SetLinked(link_.IsPortOpen());
        if (!opened) {
            // The thread closes the working port before it opens another: a
            // failed open leaves none (a busy thread refuses and keeps it).
            if (!link_.IsPortOpen())
                document_.SetPortIndex(-1);
            ShowError(kOpenFailedText);
            return;
        }
        document_.SetPortIndex(port);
    }
}

void MeterExchange::RdParamBtnClick() {
    if (SetUpPort(XPortKind::Lgm, kRefusedText))
        SendWithProgress(XCmd::ReadParams, kVersionRecent, &params_, kRefusedText);
}

void MeterExchange::WrParamBtnClick() {
    const WriteDecision decision = document_.CheckBeforeWrite();
    if (decision == WriteDecision::Stop)
        return;
    const int32_t family = ClassOf(document_.Settings().DevType);
    document_.FillParamsForWrite();
    if (!SetUpPort(static_cast<uint32_t>(family), kRefusedText))
        return;
    params_ = document_.Params();
    if (family != MeterClass::Lgm) {
        SendWithProgress(XCmd::WriteGkmsParams, static_cast<uint32_t>(family), &params_,
                         kRefusedText);
    } else if (decision == WriteDecision::CoefficientsOnly) {
        SendWithProgress(XCmd::WriteParams, kVersionRecent, &params_, kRefusedText);
    } else {
        journal_ = document_.ApproxData();
        SendWithProgress(XCmd::WriteJournal, kVersionRecent, &journal_, kRefusedText);
    }
}

void MeterExchange::ServiceSupplyItemClick() {
    if (SetUpPort(XPortKind::Lgm, kRefusedText))
        SendWithProgress(XCmd::ReadSupply, 0, &supply_, kRefusedText);
}

// --- Service windows ----------------------------------------------------------------------

void MeterExchange::TuneAdaptor(int level, bool automatic) {
    if (!SetUpPort(XPortKind::Lgm, kRefusedText))
        return;
    if (!automatic)
        tuning_.Level = level;
    tuning_.Automatic = automatic ? 1 : 0;
    // A refused command leaves nothing to wait for, so no progress window.
    SendWithProgress(XCmd::TuneAdaptor, 0, &tuning_, kRefusedText);
}

void MeterExchange::ReadThermoSensor() {
    SendWithProgress(XCmd::ReadThermoSensor, kVersionRecent, &thermoWord_, kBusyText);
}

void MeterExchange::ReadThermoCompensation() {
    SendWithProgress(XCmd::ReadThermoCompensation, kVersionRecent, &thermoWord_, kBusyText);
}

void MeterExchange::WriteThermoCompensation(double value) {
    compensation_ = value;
    SendWithProgress(XCmd::WriteThermoCompensation, kVersionRecent, &compensation_, kBusyText);
}

bool MeterExchange::StartOutputTest() {
    return SetUpPort(XPortKind::Lgm, kBusyText) &&
           Send(XCmd::OutputTest, kVersionRecent, &params_, kBusyText);
}

void MeterExchange::AbortExchange() {
    link_.AbortExchange();
    views_.HideProgress();
}

// --- Results ---------------------------------------------------------------------------------

void MeterExchange::ExchangeResult(uint32_t wparam, uintptr_t lparam) {
    const auto code = static_cast<int32_t>(wparam & 0xFF);
    if ((wparam & kExchangeFailed) != 0)
        Failed(code, static_cast<int32_t>(static_cast<intptr_t>(lparam)));
    else
        Succeeded(code, lparam);
}

void MeterExchange::Failed(int32_t code, int32_t error) {
    views_.HideProgress();
    if (IsDocumentCommand(code))
        DocumentCommandEnded();
    if (code == XCmd::OutputTest)
        views_.TestEnded();
    if (code == XCmd::StopRig)
        rig_.StopFailed();
    // Failures go on arriving while the box is open; one box tells them.
    if (errorBoxShown_)
        return;
    errorBoxShown_ = true;
    views_.Beep();
    ShowExchangeError(zor::Cp1251ToUtf8(ZorComDecodeErrorA(error)));
    errorBoxShown_ = false;
}

void MeterExchange::TakeParams(bool withFlags) {
    document_.Params() = params_;
    document_.TakeSettingsFromMeter(withFlags);
    document_.RecomputeMeasurements();
}

void MeterExchange::Succeeded(int32_t code, uintptr_t lparam) {
    switch (code) {
    case XCmd::WriteGkmsParams:
    case XCmd::WriteParams:
        DocumentCommandEnded();
        views_.HideProgress();
        ShowInfo(kWrittenText);
        break;
    case XCmd::WriteThermoCompensation:
        views_.HideProgress();
        ShowInfo(kWrittenText);
        break;
    case XCmd::ReadParams: {
        TakeParams(true);
        const bool withJournal =
            HasFeature(document_.Settings().DevType, MeterFeature::StandardMode);
        if (!withJournal)
            document_.ApproxData().Count = 0;
        views_.ShowDocument();
        if (withJournal) {
            journal_.DuIndex = params_.DuIndex;
            SendFollowUp(XCmd::ReadJournal, &journal_);
        } else {
            DocumentCommandEnded();
            views_.HideProgress();
            ShowInfo(kReadText);
        }
        break;
    }
    case XCmd::WriteJournal:
        // The parameters follow the data list.
        SendFollowUp(XCmd::WriteParams, &params_);
        break;
    case XCmd::ReadJournal:
        DocumentCommandEnded();
        document_.ApproxData() = journal_;
        views_.ShowDocument();
        views_.HideProgress();
        ShowInfo(kReadText);
        break;
    case XCmd::ReadSupply:
        views_.HideProgress();
        ShowInfo(SupplyMessage(supply_));
        break;
    case XCmd::ReadThermoSensor:
        views_.ShowSensorTemperature(SensorTemperature(thermoWord_));
        views_.HideProgress();
        ShowInfo(kReadText);
        break;
    case XCmd::ReadThermoCompensation:
        views_.ShowCompensation(CompensationFromByte(thermoWord_));
        views_.HideProgress();
        ShowInfo(kReadText);
        break;
    case XCmd::OutputTest:
        DocumentCommandEnded();
        views_.TestEnded();
        break;
    case XCmd::TestProgress:
        views_.ShowTestProgress(static_cast<int>(lparam));
        break;
    case XCmd::TestParams:
        TakeParams(false);
        views_.ShowDocument();
        views_.ShowTestProgress(0);
        break;
    case XCmd::TuneAdaptor:
        views_.ShowAdaptor(
            AdaptorTuned(tuning_.Version, tuning_.Number, tuning_.Level, tuning_.Duration));
        views_.HideProgress();
        break;
    case XCmd::RigState:
        rig_.StateArrived(link_.RigState());
        views_.ShowRig();
        break;
    case XCmd::StopRig:
        rig_.Stopped();
        views_.ShowRig();
        break;
    default: // 8 and StartRig: nothing to show
        break;
    }
}
