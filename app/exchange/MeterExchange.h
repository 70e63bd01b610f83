// The meter operations of the main window and of the service windows,
// without widgets: choosing the working port, reading and writing the
// meter's parameters and data list with every check and question, the
// battery test, the thermo sensor, the output test, the adaptor tuning and
// the rig console, and the reaction to every result the exchange thread
// posts (ExchangeResult).
//
// The thread never touches the document: every command carries a record of
// this object, copied from the document when the command is sent and into
// it when the result arrives. While a command on the characteristic or the
// data list runs, the document is marked busy (CalibrationDocument::
// ExchangeBusy) so nothing changes them in between.
//
// What the windows must do in reaction goes to the ExchangeViews the program
// installs; messages go through Messages.h. All of it belongs to the user
// interface thread.
#pragma once

#include "approx/Sections.h"
#include "document/CalibrationDocument.h"
#include "exchange/BkltConsole.h"
#include "exchange/ExchangeLink.h"
#include "exchange/ServiceRules.h"
#include "exchange/Tzorxthreadunit.h"

#include <cstdint>

// What the windows do when a result arrives.
class ExchangeViews {
public:
    virtual ~ExchangeViews() = default;
    // The exchange progress window ("Идет обмен данными").
    virtual void ShowProgress() = 0;
    virtual void HideProgress() = 0;
    // The information beep before the exchange error box.
    virtual void Beep() = 0;
    // The main window shows the document again (settings, lines, data list
    // and measurements came from the meter).
    virtual void ShowDocument() = 0;
    // Thermo window: the sensor's temperature, the calibration read back.
    virtual void ShowSensorTemperature(double celsius) = 0;
    virtual void ShowCompensation(double value) = 0;
    // Output test window: the bar (0 … 1000) and the end of the test.
    virtual void ShowTestProgress(int value) = 0;
    virtual void TestEnded() = 0;
    // Adaptor window: the outcome of a tuning.
    virtual void ShowAdaptor(const AdaptorView& view) = 0;
    // Rig window: the console changed (a state, a stop).
    virtual void ShowRig() = 0;
};

class MeterExchange {
public:
    // Installs ZorComGkmsLimit as the document's coefficient limits. link,
    // document and views outlive the object.
    MeterExchange(ExchangeLink& link, CalibrationDocument& document, ExchangeViews& views);
    MeterExchange(const MeterExchange&) = delete;
    MeterExchange& operator=(const MeterExchange&) = delete;

    // --- Main window ----------------------------------------------------------
    // The port dialog confirmed port (0 … 3). Another port than the working
    // one is opened ("Не удалосось открыть COM-порт" when it cannot be; the
    // working port is then none, or the old one when the thread was busy).
    void PortChosen(int port);
    // "Чтение параметров", "Запись параметров", "Тест питания...".
    void RdParamBtnClick();
    void WrParamBtnClick();
    void ServiceSupplyItemClick();

    // --- Service windows --------------------------------------------------------
    // Adaptor: a manual setting at level or the automatic search.
    void TuneAdaptor(int level, bool automatic);
    // Thermo: the sensor, the calibration read and written.
    void ReadThermoSensor();
    void ReadThermoCompensation();
    void WriteThermoCompensation(double value);
    // Output test: true when the test runs.
    bool StartOutputTest();
    // "Прекратить".
    void AbortExchange();
    // The rig window's console.
    BkltConsole& Rig() { return rig_; }

    // --- Results ------------------------------------------------------------------
    // The exchange message: wparam the command code (bit 31 set on failure),
    // lparam the error code on failure, else the command's result pointer.
    void ExchangeResult(uint32_t wparam, uintptr_t lparam);

private:
    // Applies a device's line settings to the working port (kind 1, 2: ГКМС
    // in that mode, 3: ЛГМ); shows why not (refusal: the thread is busy) and
    // returns false.
    bool SetUpPort(uint32_t kind, const char* refusal);
    // Sends a command whose record the window reads or fills; refused with
    // the text given.
    bool Send(int32_t code, uint32_t argument, void* data, const char* refusal);
    // A meter command that the operator started: shows the progress window
    // when accepted.
    void SendWithProgress(int32_t code, uint32_t argument, void* data, const char* refusal);
    // The second step of a chain (the data list after the parameters, the
    // parameters after the journal), right after the first step's result.
    void SendFollowUp(int32_t code, void* data);
    void Succeeded(int32_t code, uintptr_t lparam);
    void Failed(int32_t code, int32_t error);
    // The parameters read (reading, output test) become the document's.
    void TakeParams(bool withFlags);
    void DocumentCommandEnded();

    ExchangeLink& link_;
    CalibrationDocument& document_;
    ExchangeViews& views_;
    BkltConsole rig_;

    // The records the thread reads and fills.
    MeterParams params_{};
    ApproxDataList journal_;
    uint8_t supply_ = 0;
    uint32_t thermoWord_ = 0;
    double compensation_ = 0.0;
    AdaptorTuning tuning_{};

    // Set while the "Ошибка обмена" box is on screen.
    bool errorBoxShown_ = false;
};
