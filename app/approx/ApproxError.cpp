#include "approx/ApproxError.h"

const char* ApproxErrorText(ApproxError error) {
    switch (error) {
    case ApproxError::None:
        return "";
    case ApproxError::NoEnabledRecords:
        return "Нет включенных измерений для аппроксимации";
    case ApproxError::BadSetting:
        return "Недопустимые параметры аппроксимации";
    case ApproxError::BadMeasurement:
        return "Недопустимые значения расхода, частоты или температуры в измерениях";
    case ApproxError::BadRange:
        return "Недопустимый диапазон измерений";
    case ApproxError::TooManySections:
        return "Слишком много сечений для аппроксимации (более 63)";
    case ApproxError::TooFewSections:
        return "Для аппроксимации нужно не менее двух сечений";
    case ApproxError::BadBreaks:
        return "Точки излома не соответствуют сечениям измерений";
    case ApproxError::DegenerateFit:
        return "Прямую аппроксимации построить нельзя: точки диапазона не различаются по частоте";
    case ApproxError::TooManyLines:
        return "Характеристика требует более 16 прямых";
    case ApproxError::NoLines:
        return "Список коэффициентов аппроксимации пуст";
    }
    return "Ошибка аппроксимации";
}
