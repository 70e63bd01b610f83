#include "document/CalibrationDocument.h"

std::string CalibrationDocument::Caption() const {
    return {};
}
TopRowState CalibrationDocument::TopRow() const {
    return {};
}
ApproxGroupState CalibrationDocument::ApproxGroup() const {
    return {};
}
MenuState CalibrationDocument::Menus() const {
    return {};
}
MainWindowState CalibrationDocument::ViewState() const {
    return {};
}
