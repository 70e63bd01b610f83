// The operator's texts of the error codes. They are written here once, in
// UTF-16; the Windows-1251 copy is made from them by the compiler, so the two
// forms cannot drift apart.
#include "ZorLang.h"

#include "Cp1251.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace {

constexpr std::u16string_view kTexts[] = {
    u"Нет ошибки",
    u"Ошибка не специфицирована",
    u"Не удалось создать(открыть) порт",
    u"Не удалось сопоставить событие",
    u"Не удалось получить конфигурацию от аппаратуры ПК",
    u"Не удалось установить конфигурацию аппаратуры ПК",
    u"Не удалось получить состояние управляющих сигналов",
    u"Не удалось установить состояние управляющих сигналов",
    u"Не удалось выполнить чтение данных",
    u"Не удалось выполнить запись данных",
    u"Не удалось выполнить чтение - истек таймаут",
    u"Не удалось выполнить запись - истек таймаут",
    u"Не удалось выполнить чтение - операция прервана",
    u"Не удалось выполнить запись - операция прервана",
    u"Не удалось очистить буферы",
    u"Не удалось очистить буферы - операция прервана",
    u"Не удалось получить размеры очередей",
    u"Неверный дескриптор",
    u"Порт не открыт",
    u"Неверное значение параметра",
    u"Не удалось прервать операцию",
    u"Ошибка при проверке контрольной информации",
    u"Прибор отверг команду",
    u"Размер буфера мал для корректного выполнения команды",
    u"Возвращенные данные не соответствуют переданным",
    u"Набор данных, возвращенный прибором, содержит недопустимые значения",
    u"Устройство не обнаружено",
    u"Неверная версия прибора",
    u"Нехватка ресурсов для выполнения операции",
    u"Неверный ответ от прибора",
    u"Операция завершилась неудачно",
    u"Операция завершена из-за истечения таймаута",
    u"Операция была прервана",
    u"Соединение невозможно - адресат занят",
    u"Не выполнинена инициализация",
    u"Соединение невозможно - адресат блокирован",
    u"Работа невозможна - один из файлов сервиса поврежден",
    u"Работа невозможна - неверная версия сервиса",
    u"Необходима переинициализация",
    u"Неверное состояние канала передачи информации",
    u"Коммуникационный ресурс заблокирован",
    u"Ресурс уже используется - попытка повторного использования",
    u"Коммуникационное устройство не существует или не назначено",
    u"Неверный размер данных",
    u"Неизвестный код ошибки",
};

constexpr std::size_t kCount = std::size(kTexts);
constexpr std::size_t kUnknown = kCount - 1;
// Entry 0 is "no error", entries 1 ... 43 the codes -1 ... -43, the last one
// every code below them.
static_assert(kUnknown == static_cast<std::size_t>(-ZOR_ERR_LAST) + 1);

constexpr std::size_t TotalUnits() {
    std::size_t total = 0;
    for (auto text : kTexts)
        total += text.size() + 1;
    return total;
}

// Every text in Windows-1251, each with its terminator, back to back.
struct Cp1251Texts {
    std::array<char, TotalUnits()> bytes{};
    std::array<std::size_t, kCount> start{};
};

consteval Cp1251Texts EncodeTexts() {
    Cp1251Texts out;
    std::size_t at = 0;
    for (std::size_t i = 0; i < kCount; ++i) {
        out.start[i] = at;
        for (char16_t unit : kTexts[i]) {
            auto byte = zor::cp1251::FromUnicode(unit);
            if (!byte)
                throw "a character of the error texts is missing from Windows-1251";
            out.bytes[at++] = static_cast<char>(*byte);
        }
        out.bytes[at++] = '\0';
    }
    return out;
}

constexpr Cp1251Texts kCp1251 = EncodeTexts();

constexpr std::size_t EntryOf(int32_t code) {
    if (code >= 0)
        return 0;
    if (code >= ZOR_ERR_LAST)
        return static_cast<std::size_t>(-static_cast<int64_t>(code));
    return kUnknown;
}

} // namespace

const char* ZorComDecodeErrorA(int32_t code) {
    return &kCp1251.bytes[kCp1251.start[EntryOf(code)]];
}

const char16_t* ZorComDecodeErrorW(int32_t code) {
    return kTexts[EntryOf(code)].data();
}
