// What the main window shows outside the measurement table, computed by the
// document from its settings and state. The window applies it as it stands
// after every operation: it fills the controls, enables, shows and checks
// them, and decides nothing itself.
#pragma once

#include <string>
#include <vector>

struct ComboState {
    std::vector<std::string> Items;
    int Selection = -1; // -1: nothing selected
    bool Enabled = true;
    bool Visible = true;
};

struct EditState {
    std::string Text;
    bool Enabled = true;
    bool Visible = true;
};

struct ControlState {
    bool Enabled = true;
    bool Visible = true;
};

struct MenuItemState {
    bool Enabled = true;
    bool Checked = false;
};

// A small read-only grid: the header captions and column widths, then the
// data rows' texts. Rows holds at least one row; while there is nothing to
// show it is one row of empty texts.
struct GridState {
    std::vector<std::string> Headers;
    std::vector<int> Widths;
    std::vector<std::vector<std::string>> Rows;
};

// The top row: "Зав. №:", "Тип:", "Dу:", "Выход V:", ParamLab with either
// WeightCombo or PulsesEdit in its place, "Tимп, мс:".
struct TopRowState {
    EditState SerNoEdit; // digits only
    ComboState TypeCombo;
    ComboState DuCombo;
    ComboState OutCombo;
    std::string ParamLab;   // "м3/имп. :" or "Коэфф.n :"
    ComboState WeightCombo; // visible with the pulse output
    EditState PulsesEdit;   // visible with a frequency output
    EditState TauEdit;
};

// The group "Аппроксимация".
struct ApproxGroupState {
    ComboState ApproxKindCombo;   // "Модель аппроксимации:"
    ComboState ApproxMethodCombo; // "Режим аппроксимации:"
    EditState DeviationEdit;      // h in %
    EditState ErrEdit;            // δ in %
    EditState TempEdit;           // Tприв in °C
    ControlState ApproxBtn;       // "Выполнить\r\nаппроксимацию"
    ControlState ReplaceBtn;      // "Заменить данные"
    ControlState ManualBtn;       // "Ручной ввод"
    ControlState RdParamBtn;      // "Чтение параметров"
    ControlState WrParamBtn;      // "Запись параметров"
    ControlState ReportBtn;       // "Отчет"
    ControlState GraphBtn;        // "График"
    GridState DiapTbl;            // "Данные аппроксимации:"
    GridState ApproxTbl;          // "Коэффициенты аппроксимации:"
};

// Menu items whose state the rules decide; every other item is always enabled
// and unchecked. Within a radio group exactly one item is checked.
struct MenuState {
    MenuItemState ModeGrad, ModeTest;       // "Режим"
    MenuItemState MethodVolume, MethodMass; // "Метод"
    MenuItemState GetManual, GetBklt;       // "Способ"
    MenuItemState ServiceAdaptor;           // "Настройки адаптера..."
    MenuItemState ServiceSupply;            // "Тест питания..."
    MenuItemState ServiceTermo;             // "Термодатчик..."
    MenuItemState TestOutput;               // "Тест выходного сигнала..."
    MenuItemState Polarity;                 // submenu "Полярность АЧХ"
    MenuItemState Polarity00, Polarity01;   // "ПБ-7.2 318.00", "ПБ-7.2 318.01"
    MenuItemState ColorizeSections, ColorizeLines;
    MenuItemState Correction; // "Расчет поправки...": never enabled
};

struct MainWindowState {
    std::string Caption;
    TopRowState TopRow;
    ApproxGroupState Approx;
    MenuState Menus;
    bool TableEditable = true; // the measurement grid accepts typing
};
