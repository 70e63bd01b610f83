// The calibration document of the main window and every operator action on
// it, without widgets.
//
// The document owns the meter settings, the calibration and the verification
// measurement lists (the mode selects the current one), the meter parameter
// record whose line fields are the characteristic's line table, the
// approximation data list, the standard sections table, the file name, the
// working port and whether anything changed since the document was last
// saved, opened or made new.
//
// Each handler of the main window has one operation here, named after it. An
// operation applies the rules, shows its messages through the message
// functions (Messages.h: errors, information, questions) and returns what
// the control must show now. After any operation the window applies
// ViewState() and, when TableLayoutRevision() or TableDataRevision() moved,
// refreshes the measurement table; it decides nothing itself.
//
// All of it belongs to the user interface thread.
#pragma once

#include "approx/ApproxWorkflow.h"
#include "approx/Sections.h"
#include "document/Datalist.h"
#include "document/MainWindowState.h"
#include "document/MeasurementFormulas.h"
#include "document/MeasurementTable.h"
#include "document/MeterSettings.h"
#include "document/StdSect.h"

#include "ZorComLgm.h"

#include <cstdint>
#include <string>
#include <string_view>

// The outcome of committing an edit's text.
struct EditOutcome {
    bool Accepted = false;
    std::string Text;       // what the edit shows now: the accepted value or the restored one
    bool KeepFocus = false; // rejected: the edit keeps the focus
    std::string Error;      // the error already shown through ShowError; empty when accepted
};

// The outcome of a selection in a combo.
struct ComboOutcome {
    bool Accepted = false;
    int Selection = -1; // what the combo shows now (restored or moved)
    std::string Error;  // the error already shown; empty when none was
};

class CalibrationDocument {
public:
    // The start-up document: default settings (ЛГМ-ЧИ2.xx-xxx, Du 15, pulse
    // output, price 0,0001, τ 1.000, h 5 %, δ 1 %, Tприв 20 °C), calibration
    // mode, volume method, manual input, both lists empty with room for 32,
    // the default characteristic of five lines (A 0.12, B 0, Fmax 10, 20,
    // 30, 40 Hz and open), no data list, no file, no port, nothing unsaved.
    CalibrationDocument();
    ~CalibrationDocument();
    CalibrationDocument(const CalibrationDocument&) = delete;
    CalibrationDocument& operator=(const CalibrationDocument&) = delete;

    // --- The document's data ------------------------------------------------
    // Callers that change these directly (file readers, imports, the meter
    // exchange, the manual coefficients window) report it afterwards with
    // MeasurementsChanged or the operation named for their case.
    MeterSettings& Settings() { return settings_; }
    const MeterSettings& Settings() const { return settings_; }
    TZorDataList& CalibrationList() { return calibration_; }
    const TZorDataList& CalibrationList() const { return calibration_; }
    TZorDataList& VerificationList() { return verification_; }
    const TZorDataList& VerificationList() const { return verification_; }
    // The list of the current mode.
    TZorDataList& CurrentList();
    const TZorDataList& CurrentList() const;
    // The meter parameter record; its A, B, Fmax and LineCount are the line
    // table of the characteristic.
    MeterParams& Params() { return params_; }
    const MeterParams& Params() const { return params_; }
    ApproxDataList& ApproxData() { return approxData_; }
    const ApproxDataList& ApproxData() const { return approxData_; }
    StdSectTable& StdSects() { return stdSects_; }
    const StdSectTable& StdSects() const { return stdSects_; }
    // The standard sections entry of the current Du, or null when the Du is
    // outside the table.
    const StdSect* CurrentStdSect() const;
    MeasurementTable& Table() { return table_; }
    const MeasurementTable& Table() const { return table_; }

    // --- Window state -------------------------------------------------------
    // The document's file name and whether it is a calibration file that
    // "Сохранить" may write back to.
    const std::string& FileName() const { return fileName_; }
    bool HasFile() const { return hasFile_; }
    // Sets the name (the caption shows it without its folder) and the
    // calibration-file flag, after an open, a save or an export. The
    // unsaved-changes mark is the caller's: MarkSaved after a successful open
    // or save of the whole document.
    void SetFile(std::string fileName, bool hasFile);
    // The working serial port, 0-based (-1: none chosen).
    int PortIndex() const { return portIndex_; }
    // Sets the working port. Only the caption and the enabling of the meter
    // controls follow; the meter type is not applied again.
    void SetPortIndex(int portIndex);
    // Whether the exchange thread holds an open port: enables "Чтение
    // параметров", "Запись параметров" and the meter items of "Сервис".
    bool Linked() const { return linked_; }
    void SetLinked(bool linked);
    // The АЧХ polarity choice: false "ПБ-7.2 318.00", true "ПБ-7.2 318.01".
    bool PolarityRevision01() const { return polarity01_; }
    void PolarityItemClick(bool revision01);
    // The level the adaptor settings window opens with.
    int AdaptorLevel() const { return adaptorLevel_; }
    void SetAdaptorLevel(int level) { adaptorLevel_ = level; }

    // --- Unsaved changes ----------------------------------------------------
    // Whether the measurements, the characteristic or the stored settings
    // changed since the document was last saved, opened or made new.
    bool HasUnsavedChanges() const { return unsaved_; }
    void MarkModified() { unsaved_ = true; }
    void MarkSaved() { unsaved_ = false; }
    // "Выход" and closing the window: true when the program may end. With
    // unsaved changes asks "Измерения не сохранены. Выйти без сохранения?".
    bool ConfirmExit();

    // --- View state ---------------------------------------------------------
    // "%s, %s, %s, порт: %s, файл: %s": mode, method, source, COMn or "- - -",
    // the file name without its folder or "- - -".
    std::string Caption() const;
    TopRowState TopRow() const;
    ApproxGroupState ApproxGroup() const;
    MenuState Menus() const;
    MainWindowState ViewState() const;
    // Whether the measurement grid accepts typing (manual input and the rig
    // window not open).
    bool TableEditable() const { return tableEditable_; }
    // Move when the table's columns, row count or row order may have changed
    // (the view resets its model and column widths), respectively when any
    // cell may have changed (the view repaints). A keystroke through
    // MeasurementTable::SetEditText moves only the data revision.
    uint64_t TableLayoutRevision() const { return layoutRevision_; }
    uint64_t TableDataRevision() const { return dataRevision_; }
    // Reports a change a caller made to the lists: layout for added, removed
    // or reordered records and a changed current list, else only values.
    // Marks the document modified.
    void MeasurementsChanged(bool layout);

    // --- Meter settings and modes -------------------------------------------
    // Selections of the top row's combos (-1: nothing selected). Refused in
    // verification mode with measurements in the current list ("В режиме
    // поверки при непустом списке измерений данный параметр менять нельзя").
    ComboOutcome TypeComboChange(int index);
    ComboOutcome DuComboChange(int index);
    // Also refuses a frequency output in verification mode.
    ComboOutcome OutComboChange(int index);
    // For class 3 a price outside the five allowed for the Du is moved to the
    // nearest allowed one with the error "Данная цена импульса недопустима
    // для выбранного Ду".
    ComboOutcome WeightComboChange(int index);
    // SerNoEditExit: 1 … 99 999 999, shown as eight digits.
    EditOutcome SerNoEditExit(std::string_view text);
    // TauEditExit and TauEditKeyUp (Enter): the pulse duration within the
    // limits of the output and price. The first ',' counts as '.'.
    EditOutcome TauEditCommit(std::string_view text);
    // PulsesEditExit and PulsesEditKeyUp (Enter): the division factor, a
    // whole number below 100 at the start of the text.
    EditOutcome PulsesEditCommit(std::string_view text);
    // "Режим": "Градуировка" always switches; "Поверка" is refused without a
    // characteristic or for an ЛГМ type on a frequency output. True when the
    // mode is the requested one afterwards.
    bool ModeGradItemClick();
    bool ModeTestItemClick();
    // "Метод": "Объемный", "Массовый". Recorded measurements are not
    // recomputed.
    void MethodVolumeItemClick();
    void MethodMassItemClick();
    // "Способ": "Ручной ввод" makes the table editable (the window closes the
    // rig window); "Ввод с МН-4.6" needs a working port ("Не выбран рабочий
    // COM-порт"), makes the table read-only and returns true when the window
    // is to open the rig window.
    void GetManualItemClick();
    bool GetBkltItemClick();
    // The rig window was closed with "Завершить": the table is editable
    // again, the source stays.
    void RigWindowClosed();
    // Applies the meter type's class: fills and enables the selectors, fixes
    // the output of a priced ГКМС type, chooses the approximation mode and,
    // for the other family, clears sections, lines, the data list and the
    // characteristic. TypeComboChange calls it; start-up too.
    void ApplyMeterType();
    // Applies the output type; withDefaults resets the pulse duration to the
    // default of the output and price.
    void ApplyOutputType(bool withDefaults);

    // --- Files --------------------------------------------------------------
    // "Новый": asks "Удалить все измерения?"; on Yes empties the current list
    // (only it), the data list and the characteristic and forgets the file.
    // True when the document was emptied. Refused during a meter exchange.
    bool FileNewItemClick();
    // A file or an import replaced the settings: copies the stored fields of
    // loaded (type … ApproxMethod; not the mode, method, source and meter
    // flags), replaces indices outside their tables by the defaults and shows
    // the settings, without resetting the loaded pulse duration or the
    // loaded characteristic.
    void ReplaceStoredSettings(const MeterSettings& loaded);

    // --- Approximation (ApproxWorkflow.cpp) -----------------------------------
    // "Выполнить\r\nаппроксимацию". Refused during a meter exchange.
    ApproxRun ApproxBtnClick();
    // "Заменить данные": appends one record per section (its mean flow and
    // frequency at 20 °C) to the calibration list. Returns the row to select
    // (the last), or -1 when nothing was appended ("Нет данных
    // аппроксимации").
    int ReplaceBtnClick();
    // MeasuredFlow, Line and FlowDeviation of every record of the current list
    // from the line table (after manual input and after a meter read).
    void RecomputeMeasurements();
    // The checks and questions before "Запись параметров".
    WriteDecision CheckBeforeWrite();
    // The coefficient limits of one-line meters; until a source is installed
    // every coefficient of such a meter is refused.
    void SetCoefficientLimitSource(CoefficientLimitFn limit) { coefficientLimit_ = limit; }
    // DeviationEditExit/KeyUp, ErrEditExit/KeyUp, TempEditExit/KeyUp.
    EditOutcome CommitDeviationEdit(std::string_view text);
    EditOutcome CommitErrEdit(std::string_view text);
    EditOutcome CommitTempEdit(std::string_view text);
    ComboOutcome ApproxMethodComboChange(int index);
    void ApproxKindComboChange(int index);
    // Takes h, δ and Tприв from the current Du's standard entry when it is
    // defined.
    void ApplyStandardSettings();
    // Lines the meter type takes: 5 with the standard mode, 4 for another ЛГМ
    // type, 1 for a one-line type.
    uint32_t MaxLineCount() const;

    // --- Device exchange ------------------------------------------------------
    // After the parameters were read from an ЛГМ meter into Params(): the Du,
    // the output, price, division factor and pulse duration; withFlags also
    // takes MeterFlags and the polarity and opens the last line's upper end
    // (reading the parameters, not the output test's read). The measurements
    // are not recomputed here: call RecomputeMeasurements when the read is
    // complete.
    void TakeSettingsFromMeter(bool withFlags);
    // Before writing an ЛГМ meter: the record's Du, version, hysteresis,
    // pulse duration, division factor, polarity flag and price code from the
    // settings.
    void FillParamsForWrite();
    // A measurement from the rig: appended to the verification list (flags
    // with BkltFlag::Verification) or the calibration list.
    void AddBkltMeasurement(uint32_t flags, const BkltResult& result);
    // While a meter exchange reads or writes the characteristic or the data
    // list, the commands that would change them under it (the approximation,
    // the manual coefficients, opening a file, "Новый") are refused.
    bool ExchangeBusy() const { return exchangeBusy_; }
    void SetExchangeBusy(bool busy) { exchangeBusy_ = busy; }
    // True, after the error "Не завершен предыдущий обмен", while such an
    // exchange runs: the caller does nothing.
    bool RefuseDuringExchange() const;

private:
    friend class MeasurementTable;

    // Moves the table's revisions (layout: columns, rows or order).
    void TouchTable(bool layout);
    // Marks the document modified when the stored settings changed.
    void NoteSettings(const MeterSettings& before);
    bool VerificationLocked() const;
    // Shows the error and keeps the combo at current.
    ComboOutcome Refuse(const char* text, int current);
    void SwitchMode(int32_t mode);
    EditOutcome CommitLimit(std::string_view text, double minimum, double maximum,
                            const char* error, double& setting, double scale, int decimals);

    MeterSettings settings_;
    TZorDataList calibration_;
    TZorDataList verification_;
    MeterParams params_{};
    ApproxDataList approxData_;
    StdSectTable stdSects_{};
    MeasurementTable table_;

    std::string fileName_;
    bool hasFile_ = false;
    int portIndex_ = -1;
    bool linked_ = false;
    bool polarity01_ = false;
    int adaptorLevel_ = 2;
    bool tableEditable_ = true;
    bool unsaved_ = false;
    bool exchangeBusy_ = false;
    uint64_t layoutRevision_ = 0;
    uint64_t dataRevision_ = 0;
    CoefficientLimitFn coefficientLimit_ = nullptr;
};
