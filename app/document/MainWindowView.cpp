// The view state of the main window, computed from the document.
#include "document/CalibrationDocument.h"

#include "approx/LineFit.h"
#include "document/Numbers.h"

#include <algorithm>

namespace {

constexpr const char* kNone = "- - -";

constexpr const char* kPriceLabel = "м3/имп. :";
constexpr const char* kFactorLabel = "Коэфф.n :";

constexpr const char* kPiecewiseModel = "Кусочно-линейная Q=af+b";
constexpr const char* kOneLineModels[] = {"Линейная Q=af+b", "Линейная Q=af"};
constexpr const char* kApproxModes[] = {"Стандартный", "Автоматический", "Ручной по средним",
                                        "Ручной по всем"};

std::vector<std::string> Texts(std::span<const char* const> items) {
    return {items.begin(), items.end()};
}

// The selection a combo can show: -1 when the value names no item.
int Selection(int value, size_t items) {
    return value >= 0 && static_cast<size_t>(value) < items ? value : -1;
}

// The name without its folder.
std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

GridState Grid(std::vector<std::string> headers, std::vector<int> widths, size_t rows) {
    GridState grid{std::move(headers), std::move(widths), {}};
    grid.Rows.assign(std::max<size_t>(rows, 1), std::vector<std::string>(grid.Headers.size()));
    return grid;
}

} // namespace

std::string CalibrationDocument::Caption() const {
    const MeterSettings& s = settings_;
    std::string caption = s.Mode == WorkMode::Verification ? "поверка" : "градуировка";
    caption += s.Method == MeasureMethod::Mass ? ", массовый" : ", объемный";
    caption += s.InputSource == InputSource::Rig ? ", ввод с БКЛТ" : ", ручной ввод";
    caption += ", порт: ";
    caption += portIndex_ >= 0 ? "COM" + FormatInteger(portIndex_ + 1) : kNone;
    caption += ", файл: ";
    caption += hasFile_ ? BaseName(fileName_) : kNone;
    return caption;
}

TopRowState CalibrationDocument::TopRow() const {
    const MeterSettings& s = settings_;
    const MeterType& type = MeterTypeOf(s.DevType);
    const bool lgm = type.Class == MeterClass::Lgm;
    const bool pulse = s.OutputType == OutputKind::Pulse;
    TopRowState row;
    row.SerNoEdit.Text = FormatSerialNumber(s.SerNo);

    for (const MeterType& t : MeterTypes)
        row.TypeCombo.Items.emplace_back(t.Name);
    row.TypeCombo.Selection = Selection(s.DevType, MeterTypes.size());

    // The two largest diameters are offered only while one of them is the
    // meter's (read from the meter or a file), so the combo shows it.
    const int diameters =
        s.DuIndex >= kDuComboCount && s.DuIndex < kDuCount ? kDuCount : kDuComboCount;
    for (int i = 0; i < diameters; ++i)
        row.DuCombo.Items.push_back(FormatInteger(DuTable[i]));
    row.DuCombo.Selection = Selection(s.DuIndex, row.DuCombo.Items.size());

    row.OutCombo.Items = Texts(OutputNames);
    row.OutCombo.Selection = Selection(s.OutputType, OutputNames.size());
    row.OutCombo.Enabled = lgm;

    row.ParamLab = pulse ? kPriceLabel : kFactorLabel;
    row.WeightCombo.Items = Texts(WeightItems(type.Class));
    row.WeightCombo.Selection = Selection(s.WeightIndex, row.WeightCombo.Items.size());
    row.WeightCombo.Visible = pulse;
    row.WeightCombo.Enabled =
        lgm || (type.Class == MeterClass::GkmsPriced && s.Mode == WorkMode::Verification);
    row.PulsesEdit.Text = FormatDivisionFactor(s.DivisionFactor);
    row.PulsesEdit.Visible = !pulse;
    row.PulsesEdit.Enabled = lgm;
    row.TauEdit.Text = FormatPulseDuration(s.PulseDuration);
    row.TauEdit.Enabled = lgm;
    return row;
}

ApproxGroupState CalibrationDocument::ApproxGroup() const {
    const MeterSettings& s = settings_;
    const MeterType& type = MeterTypeOf(s.DevType);
    const bool lgm = type.Class == MeterClass::Lgm;
    ApproxGroupState group;

    if (lgm) {
        group.ApproxKindCombo.Items = {kPiecewiseModel};
        group.ApproxKindCombo.Selection = 0;
    } else {
        group.ApproxKindCombo.Items = Texts(kOneLineModels);
        group.ApproxKindCombo.Selection = Selection(s.ApproxKind, std::size(kOneLineModels));
    }
    group.ApproxMethodCombo.Items = Texts(kApproxModes);
    group.ApproxMethodCombo.Selection = Selection(s.ApproxMethod, std::size(kApproxModes));
    group.ApproxMethodCombo.Enabled = lgm;

    group.DeviationEdit.Text = FormatPercentLimit(s.SpreadLimit);
    group.ErrEdit.Text = FormatPercentLimit(s.ErrorLimit);
    group.TempEdit.Text = FormatTpriv(s.Tpriv);

    group.ApproxBtn.Enabled = s.Mode == WorkMode::Calibration;
    group.RdParamBtn.Enabled = lgm && linked_;
    group.WrParamBtn.Enabled = type.Class != MeterClass::GkmsNoPrice && linked_;

    const uint32_t sections = std::min<uint32_t>(approxData_.Count, kApproxDataCapacity);
    group.DiapTbl = Grid({"№ сеч.", "Qср, м3/ч", "Fср, Гц"}, {40, 75, 75}, sections);
    if (lgm)
        for (uint32_t i = 0; i < sections; ++i) {
            const ApproxDataItem& item = approxData_.Items[i];
            group.DiapTbl.Rows[i] = {FormatInteger(i + 1), FormatFixed(item.Q, 6),
                                     FormatFixed(item.F, 6)};
        }

    const uint32_t lines = std::min<uint32_t>(params_.LineCount, kMaxLines);
    group.ApproxTbl = Grid({"№ пр.", "F, Гц", "A", "B"}, {40, 60, 60, 60}, lines);
    const bool withB = lgm || s.ApproxKind != ApproxModel::Proportional;
    for (uint32_t i = 0; i < lines; ++i)
        group.ApproxTbl.Rows[i] = {
            FormatInteger(i + 1), i == 0 ? std::string() : FormatFixed(params_.Fmax[i - 1], 3),
            FormatFixed(params_.A[i], 6), withB ? FormatFixed(params_.B[i], 6) : std::string()};
    return group;
}

MenuState CalibrationDocument::Menus() const {
    const MeterSettings& s = settings_;
    const MeterType& type = MeterTypeOf(s.DevType);
    const bool lgm = type.Class == MeterClass::Lgm;
    MenuState menus;
    menus.ModeGrad.Checked = s.Mode != WorkMode::Verification;
    menus.ModeTest.Checked = s.Mode == WorkMode::Verification;
    menus.MethodVolume.Checked = s.Method != MeasureMethod::Mass;
    menus.MethodMass.Checked = s.Method == MeasureMethod::Mass;
    menus.GetManual.Checked = s.InputSource != InputSource::Rig;
    menus.GetBklt.Checked = s.InputSource == InputSource::Rig;
    menus.ServiceAdaptor.Enabled = lgm && linked_;
    menus.ServiceSupply.Enabled = lgm && linked_;
    menus.TestOutput.Enabled = lgm && linked_;
    menus.ServiceTermo.Enabled = (type.Features & MeterFeature::Thermo) != 0 && linked_;
    menus.Polarity.Enabled = (type.Features & MeterFeature::Polarity) != 0;
    menus.Polarity00.Checked = !polarity01_;
    menus.Polarity01.Checked = polarity01_;
    menus.ColorizeSections.Checked = !table_.ColorByLines();
    menus.ColorizeLines.Checked = table_.ColorByLines();
    menus.Correction.Enabled = false;
    return menus;
}

MainWindowState CalibrationDocument::ViewState() const {
    return {Caption(), TopRow(), ApproxGroup(), Menus(), tableEditable_};
}
