// The rig window's rules ("Ввод данных из МН-4.6"), without widgets: the
// counter channels and the stop criterion, starting and stopping a run on
// the rig controller through the exchange thread, the rig's time and pulse
// counts as they arrive, and taking a finished run into the current
// measurement list.
//
// The window (TBkltDlg) reads its controls, calls the operation of the same
// name and shows View(); the meter operations hand it the thread's rig
// results (StateArrived, Stopped).
#pragma once

#include "document/CalibrationDocument.h"
#include "document/MainWindowState.h"
#include "exchange/ExchangeLink.h"

#include "ZorComBklt.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The stop criteria of the rig.
namespace BkltMode {
enum : int {
    Time = 0,       // "Остановка по времени": the duration T
    StartStop1 = 1, // "Старт/стоп 1"
    StartStop2 = 2, // "Старт/стоп 2"
    Count = 3, // "Остановка по длительности": a pulse count on one channel
};
inline constexpr int kModes = 4;
} // namespace BkltMode

// The run settings, kept between runs and reset when the window is opened.
struct BkltSettings {
    int FirstChannel = 0;  // 0 … 3: the meter's pulses (t1, N1)
    int SecondChannel = 1; // 0 … 3, never the first: the compared pulses (N2)
    int Mode = BkltMode::Time;
    int CounterChannel = 0;    // the channel the pulse criterion counts (mode 3)
    double Duration = 100.0;   // s, 2 … 4000 (mode 0)
    uint32_t Criterion = 1000; // pulses, 100 … 10 000 000 (mode 3)
};

// Which edit takes the focus after "Принять" was refused.
enum class BkltField { None, Mass, Volume, Temperature };

// What the window shows.
struct BkltView {
    ComboState FirstChCombo;
    ComboState SecondChCombo;
    ComboState ModeCombo;
    ComboState CounterCombo;
    std::string ArgumLabel; // the criterion's caption, empty in modes 1 and 2
    EditState ArgumEdit;
    bool MassEnabled = false; // mass method: "Mэт, кг:", else "Vэт, м3:"
    bool VolumeEnabled = true;
    std::string TqText, T1Text, N1Text, N2Text; // "Данные из МН-4.6"
    bool GoEnabled = true;                      // "Старт"
    bool StopEnabled = false;                   // "Стоп"
    bool ApplyEnabled = false;                  // "Принять"
};

class BkltConsole {
public:
    // The console sends through link and takes runs into document; both
    // outlive it.
    BkltConsole(ExchangeLink& link, CalibrationDocument& document);
    BkltConsole(const BkltConsole&) = delete;
    BkltConsole& operator=(const BkltConsole&) = delete;

    // "Ввод с МН-4.6": refused without a working port ("Не выбран рабочий
    // COM-порт"); else the table becomes read-only, the source the rig, and
    // the settings start from their defaults. True when the window is to be
    // shown. The run state and the values shown are kept.
    bool Open();
    // "Ручной ввод": a running run is told to stop, nothing is left to take.
    // The document's table and source are the caller's.
    void Close();
    // "Завершить": as Close, and the table is editable again; the source
    // stays the rig.
    void ReadyBtnClick();

    const BkltSettings& Settings() const { return settings_; }
    // The water temperature the edit shows on opening.
    static constexpr const char* kOpeningTemperature = "20.0";

    // --- Settings -----------------------------------------------------------
    // A channel the other combo holds is refused ("Этот канал уже
    // используется").
    ComboOutcome FirstChComboChange(int channel);
    ComboOutcome SecondChComboChange(int channel);
    void ModeComboChange(int mode);
    void CounterComboChange(int channel);
    // The criterion edit, on leaving it or on Enter: a duration of 2 … 4000 s
    // in mode 0, a pulse count of 100 … 10 000 000 in the other modes; other
    // text silently reverts. Returns what the edit shows now.
    std::string ArgumEditCommit(std::string_view text);

    // --- Runs ---------------------------------------------------------------
    // "Старт", "Стоп". Refused while the thread is busy ("Не завершен
    // предыдущий обмен").
    void GoBtnClick();
    void StopBtnClick();
    // The thread's rig results: a state polled (it may say the run is over,
    // which asks the rig to stop), and the rig stopped.
    void StateArrived(const BkltState& state);
    void Stopped();
    // The stop failed on the device: a finished run asks again.
    void StopFailed() { stopSent_ = false; }
    // The rig exchange buffer handed with the start and the stop.
    BkltState* Buffer() { return &buffer_->State; }

    // --- Taking a run ---------------------------------------------------------
    // "Принять": the mass (mass method) or the volume must be above 0, the
    // temperature within 5 … 30 °C, and the run must have time and pulses;
    // else "Неверное значения параметра" and the field to focus. The run is
    // appended to the current list of the document.
    BkltField ApplyBtnClick(std::string_view mass, std::string_view volume,
                            std::string_view temperature);

    BkltView View() const;

private:
    bool Send(int32_t code, uint32_t argument, const char* refusal);
    ComboOutcome ChangeChannel(int& channel, int other, int wanted);

    // The rig library keeps its state record at the start of a 4096-byte
    // exchange block.
    struct RigBlock {
        BkltState State;
        uint8_t Spare[4096 - sizeof(BkltState)];
    };

    ExchangeLink& link_;
    CalibrationDocument& document_;
    BkltSettings settings_;
    std::unique_ptr<RigBlock> buffer_;
    // The duration the running run was started with: the rig's timer counts
    // from it.
    double runDuration_ = 100.0;
    bool goEnabled_ = true;
    bool stopEnabled_ = false;
    bool applyEnabled_ = false;
    // A stop was accepted; states of the finished run that were already on
    // their way ask for it no more.
    bool stopSent_ = false;
    double tq_ = 0.0;
    double t1_ = 0.0;
    int32_t n1_ = 0;
    int32_t n2_ = 0;
};
