// lgmtool show FILE [--json]: the document a file opens as — its settings,
// its characteristic and sections, and both measurement lists.
#include "Command.h"
#include "ConsoleMessages.h"
#include "DocumentFiles.h"

#include "approx/LineFit.h"
#include "document/CalibrationDocument.h"
#include "document/Numbers.h"
#include "files/FileCommands.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iostream>

namespace {

using Json = nlohmann::ordered_json;

// Columns of the measurement listings: the caption and the field.
struct RecordColumn {
    const char* Caption;
    int Field;
};
constexpr RecordColumn kRecordColumns[] = {
    {"M, кг", FieldId::EtalonMass},
    {"Vэт, л", FieldId::EtalonVolume},
    {"tq, с", FieldId::EtalonTime},
    {"N1", FieldId::MeasuredPulses},
    {"t1, с", FieldId::MeasuredTime},
    {"T, °C", FieldId::Temperature},
    {"Qэт, м3/ч", FieldId::EtalonFlow},
    {"Fизм, Гц", FieldId::MeasuredFrequency},
    {"Qизм, м3/ч", FieldId::MeasuredFlow},
    {"бQ, %", FieldId::FlowDeviation},
    {"N2", FieldId::ComparedPulses},
    {"Vизм, л", FieldId::ComparedVolume},
    {"бV, %", FieldId::VolumeDeviation},
    {"A", FieldId::LineA},
    {"B", FieldId::LineB},
    {"№ сеч.", FieldId::Section},
    {"№ пр.", FieldId::Line},
};

using Table = std::vector<std::vector<std::string>>;

// Prints rows under their header, each column as wide as its widest text.
void PrintTable(std::ostream& out, const std::vector<std::string>& header, const Table& rows) {
    std::vector<size_t> widths(header.size());
    const auto width = [](const std::string& text) {
        // Columns are counted in characters, not in UTF-8 bytes.
        return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    };
    for (size_t c = 0; c < header.size(); ++c) {
        widths[c] = width(header[c]);
        for (const auto& row : rows)
            widths[c] = std::max(widths[c], width(row[c]));
    }
    const auto line = [&](const std::vector<std::string>& cells) {
        std::string text;
        for (size_t c = 0; c < cells.size(); ++c)
            text += (c ? "  " : "") + std::string(widths[c] - width(cells[c]), ' ') + cells[c];
        text.erase(text.find_last_not_of(' ') + 1);
        out << text << '\n';
    };
    line(header);
    for (const auto& row : rows)
        line(row);
}

std::string Selected(const ComboState& combo) {
    return combo.Selection >= 0 && static_cast<size_t>(combo.Selection) < combo.Items.size()
               ? combo.Items[combo.Selection]
               : "";
}

void PrintList(std::ostream& out, const char* title, const TZorDataList& list) {
    out << '\n' << title << ": " << list.Count() << '\n';
    if (list.Count() == 0)
        return;
    std::vector<std::string> header = {"№"};
    for (const RecordColumn& c : kRecordColumns)
        header.emplace_back(c.Caption);
    header.emplace_back("");
    Table rows;
    for (uint32_t i = 0; i < list.Count(); ++i) {
        const MeasurementRecord& r = *list.Item(i);
        std::vector<std::string> row = {FormatInteger(i + 1)};
        for (const RecordColumn& c : kRecordColumns)
            row.push_back(list.FormatField(i, c.Field).value_or(""));
        row.emplace_back(std::string(r.IsLinePoint() ? "*" : "") + (r.IsEnabled() ? "" : "выкл"));
        rows.push_back(std::move(row));
    }
    PrintTable(out, header, rows);
}

void PrintGrid(std::ostream& out, const char* title, const GridState& grid) {
    out << '\n' << title << '\n';
    PrintTable(out, grid.Headers, grid.Rows);
}

void PrintText(std::ostream& out, const std::string& path, const CalibrationDocument& doc) {
    const TopRowState top = doc.TopRow();
    const ApproxGroupState approx = doc.ApproxGroup();
    out << "Файл: " << path << '\n';
    out << "Зав. №: " << top.SerNoEdit.Text << '\n';
    out << "Тип: " << Selected(top.TypeCombo) << '\n';
    out << "Dу: " << Selected(top.DuCombo) << '\n';
    out << "Выход V: " << Selected(top.OutCombo) << '\n';
    out << top.ParamLab << ' '
        << (top.WeightCombo.Visible ? Selected(top.WeightCombo) : top.PulsesEdit.Text) << '\n';
    out << "Tимп, мс: " << top.TauEdit.Text << '\n';
    out << "Модель аппроксимации: " << Selected(approx.ApproxKindCombo) << '\n';
    if (approx.ApproxMethodCombo.Enabled)
        out << "Режим аппроксимации: " << Selected(approx.ApproxMethodCombo) << '\n';
    out << "Макс. разброс h, %: " << approx.DeviationEdit.Text << '\n';
    out << "Макс. погрешность б, %: " << approx.ErrEdit.Text << '\n';
    out << "Tприв, °C: " << approx.TempEdit.Text << '\n';
    PrintGrid(out, "Коэффициенты аппроксимации:", approx.ApproxTbl);
    PrintGrid(out, "Данные аппроксимации:", approx.DiapTbl);
    PrintList(out, "Градуировка, измерений", doc.CalibrationList());
    PrintList(out, "Поверка, измерений", doc.VerificationList());
}

Json RecordJson(const MeasurementRecord& r) {
    return Json{
        {"EtalonMass", r.EtalonMass},
        {"Temperature", r.Temperature},
        {"EtalonVolume", r.EtalonVolume},
        {"EtalonTime", r.EtalonTime},
        {"MeasuredTime", r.MeasuredTime},
        {"EtalonFlow", r.EtalonFlow},
        {"MeasuredFrequency", r.MeasuredFrequency},
        {"SectionFrequency", r.SectionFrequency},
        {"SectionFlow", r.SectionFlow},
        {"FlowDeviation", r.FlowDeviation},
        {"MeasuredFlow", r.MeasuredFlow},
        {"ComparedVolume", r.ComparedVolume},
        {"VolumeDeviation", r.VolumeDeviation},
        {"LineA", r.LineA},
        {"LineB", r.LineB},
        {"Flags", r.Flags},
        {"LinePoint", r.IsLinePoint()},
        {"Disabled", !r.IsEnabled()},
        {"MeasuredPulses", r.MeasuredPulses},
        {"ComparedPulses", r.ComparedPulses},
        {"Section", r.Section},
        {"Line", r.Line},
    };
}

Json ListJson(const TZorDataList& list) {
    Json records = Json::array();
    for (const MeasurementRecord& r : list.Records())
        records.push_back(RecordJson(r));
    return records;
}

Json DocumentJson(const std::string& path, const CalibrationDocument& doc) {
    const MeterSettings& s = doc.Settings();
    const TopRowState top = doc.TopRow();
    Json settings = {
        {"DevType", s.DevType},
        {"TypeName", MeterTypeOf(s.DevType).Name},
        {"DuIndex", s.DuIndex},
        {"Du", DuTable[static_cast<size_t>(s.DuIndex)]},
        {"SerNo", s.SerNo},
        {"OutputType", s.OutputType},
        {"OutputName", OutputNames[static_cast<size_t>(s.OutputType)]},
        {"WeightIndex", s.WeightIndex},
        {"PulsePrice", PriceOf(s)},
        {"DivisionFactor", s.DivisionFactor},
        {"PulseDuration", s.PulseDuration},
        {"SpreadLimit", s.SpreadLimit},
        {"ErrorLimit", s.ErrorLimit},
        {"Tpriv", s.Tpriv},
        {"ApproxKind", s.ApproxKind},
        {"ApproxMethod", s.ApproxMethod},
    };
    Json lines = Json::array();
    const MeterParams& p = doc.Params();
    for (uint32_t i = 0; i < std::min(p.LineCount, kMaxLines); ++i)
        lines.push_back({{"A", p.A[i]}, {"B", p.B[i]}, {"Fmax", p.Fmax[i]}});
    Json sections = Json::array();
    const ApproxDataList& data = doc.ApproxData();
    for (uint32_t i = 0; i < std::min(data.Count, kApproxDataCapacity); ++i)
        sections.push_back({{"FirstIndex", data.Items[i].FirstIndex},
                            {"F", data.Items[i].F},
                            {"Q", data.Items[i].Q}});
    return Json{
        {"file", path},
        {"settings", std::move(settings)},
        {"lines", std::move(lines)},
        {"sections", std::move(sections)},
        {"calibration", ListJson(doc.CalibrationList())},
        {"verification", ListJson(doc.VerificationList())},
    };
}

class ShowCommand final : public Command {
public:
    CLI::App* Setup(CLI::App& app) override {
        CLI::App* sub = app.add_subcommand(
            "show", "Print a file's settings, line table, sections and both lists");
        sub->add_option("file", path_, "Calibration file (*.srv), or a .kla or MathCAD file")
            ->required();
        sub->add_flag("--json", json_, "Print JSON instead of text");
        return sub;
    }

    int Run() override {
        CalibrationDocument doc;
        FileCommands files(doc);
        // Only the document goes to stdout.
        Console().SetInfoShown(false);
        if (!OpenDocument(files, path_))
            return kExitFailed;
        if (json_)
            std::cout << DocumentJson(path_, doc).dump(2) << '\n';
        else
            PrintText(std::cout, path_, doc);
        return kExitOk;
    }

private:
    std::string path_;
    bool json_ = false;
};

const CommandRegistration registration("show", [] { return std::make_unique<ShowCommand>(); });

} // namespace
