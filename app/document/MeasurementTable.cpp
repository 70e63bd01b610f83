#include "document/MeasurementTable.h"

#include "document/CalibrationDocument.h"

int MeasurementTable::Configuration() const {
    return 0;
}
std::span<const TableColumn> MeasurementTable::Columns() const {
    return {};
}
int MeasurementTable::RowCount() const {
    return 1;
}
bool MeasurementTable::HasRecord(int) const {
    return false;
}
TableCell MeasurementTable::Cell(int, int) const {
    return {};
}
std::string MeasurementTable::CellText(int, int) const {
    return {};
}
bool MeasurementTable::Editable() const {
    return true;
}
bool MeasurementTable::CanSelectCell(int) const {
    return false;
}
std::string MeasurementTable::EditText(int, int) const {
    return {};
}
bool MeasurementTable::SetEditText(int, int, std::string_view) {
    return false;
}
TableMenuState MeasurementTable::ContextPopup(int) {
    return menu_;
}
void MeasurementTable::AddItemClick() {}
void MeasurementTable::RemItemClick(int) {}
void MeasurementTable::SortItemClick() {}
void MeasurementTable::LineItemClick() {}
void MeasurementTable::OnOffItemClick() {}
void MeasurementTable::ColorizeItemClick(int) {}
const TableColumn* MeasurementTable::ColumnAt(int) const {
    return nullptr;
}
MeasurementRecord* MeasurementTable::SelectedItem() {
    return nullptr;
}
