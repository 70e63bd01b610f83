#include "ZorLang.h"

#include "IconvOracle.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

using zor::test::Iconv;

struct TextCase {
    int32_t code;
    const char* utf8;
};

std::ostream& operator<<(std::ostream& os, const TextCase& c) {
    return os << "code " << c.code;
}

std::string Cp1251Of(const char* utf8) {
    return Iconv(utf8, "UTF-8", "CP1251");
}

std::string Utf16leOf(const char* utf8) {
    return Iconv(utf8, "UTF-8", "UTF-16LE");
}

std::string BytesOf(const char16_t* text) {
    std::string bytes;
    for (; *text; ++text) {
        bytes.push_back(static_cast<char>(*text & 0xFF));
        bytes.push_back(static_cast<char>(*text >> 8));
    }
    return bytes;
}

class ErrorText : public testing::TestWithParam<TextCase> {};

TEST_P(ErrorText, BothFormsCarryTheTableText) {
    const TextCase& c = GetParam();
    EXPECT_EQ(std::string(ZorComDecodeErrorA(c.code)), Cp1251Of(c.utf8));
    EXPECT_EQ(BytesOf(ZorComDecodeErrorW(c.code)), Utf16leOf(c.utf8));
}

INSTANTIATE_TEST_SUITE_P(
    EveryCode, ErrorText,
    testing::Values(
        TextCase{ZOR_OK, "Нет ошибки"}, TextCase{5, "Нет ошибки"},
        TextCase{INT32_MAX, "Нет ошибки"}, TextCase{-1, "Ошибка не специфицирована"},
        TextCase{-2, "Не удалось создать(открыть) порт"},
        TextCase{-3, "Не удалось сопоставить событие"},
        TextCase{-4, "Не удалось получить конфигурацию от аппаратуры ПК"},
        TextCase{-5, "Не удалось установить конфигурацию аппаратуры ПК"},
        TextCase{-6, "Не удалось получить состояние управляющих сигналов"},
        TextCase{-7, "Не удалось установить состояние управляющих сигналов"},
        TextCase{-8, "Не удалось выполнить чтение данных"},
        TextCase{-9, "Не удалось выполнить запись данных"},
        TextCase{-10, "Не удалось выполнить чтение - истек таймаут"},
        TextCase{-11, "Не удалось выполнить запись - истек таймаут"},
        TextCase{-12, "Не удалось выполнить чтение - операция прервана"},
        TextCase{-13, "Не удалось выполнить запись - операция прервана"},
        TextCase{-14, "Не удалось очистить буферы"},
        TextCase{-15, "Не удалось очистить буферы - операция прервана"},
        TextCase{-16, "Не удалось получить размеры очередей"}, TextCase{-17, "Неверный дескриптор"},
        TextCase{-18, "Порт не открыт"}, TextCase{-19, "Неверное значение параметра"},
        TextCase{-20, "Не удалось прервать операцию"},
        TextCase{-21, "Ошибка при проверке контрольной информации"},
        TextCase{-22, "Прибор отверг команду"},
        TextCase{-23, "Размер буфера мал для корректного выполнения команды"},
        TextCase{-24, "Возвращенные данные не соответствуют переданным"},
        TextCase{-25, "Набор данных, возвращенный прибором, содержит недопустимые значения"},
        TextCase{-26, "Устройство не обнаружено"}, TextCase{-27, "Неверная версия прибора"},
        TextCase{-28, "Нехватка ресурсов для выполнения операции"},
        TextCase{-29, "Неверный ответ от прибора"}, TextCase{-30, "Операция завершилась неудачно"},
        TextCase{-31, "Операция завершена из-за истечения таймаута"},
        TextCase{-32, "Операция была прервана"},
        TextCase{-33, "Соединение невозможно - адресат занят"},
        TextCase{-34, "Не выполнинена инициализация"},
        TextCase{-35, "Соединение невозможно - адресат блокирован"},
        TextCase{-36, "Работа невозможна - один из файлов сервиса поврежден"},
        TextCase{-37, "Работа невозможна - неверная версия сервиса"},
        TextCase{-38, "Необходима переинициализация"},
        TextCase{-39, "Неверное состояние канала передачи информации"},
        TextCase{-40, "Коммуникационный ресурс заблокирован"},
        TextCase{-41, "Ресурс уже используется - попытка повторного использования"},
        TextCase{-42, "Коммуникационное устройство не существует или не назначено"},
        TextCase{-43, "Неверный размер данных"}, TextCase{-44, "Неизвестный код ошибки"},
        TextCase{-1000, "Неизвестный код ошибки"}, TextCase{INT32_MIN, "Неизвестный код ошибки"}));

TEST(ErrorTextNames, ConstantsNameTheirCodes) {
    EXPECT_STREQ(ZorComDecodeErrorA(ZOR_ERR_READ_TIMEOUT), ZorComDecodeErrorA(-10));
    EXPECT_STREQ(ZorComDecodeErrorA(ZOR_ERR_BAD_PARAM), ZorComDecodeErrorA(-19));
    EXPECT_EQ(ZOR_ERR_CHECKSUM, -21);
    EXPECT_EQ(ZOR_ERR_LAST, -43);
}

TEST(ErrorTextNames, TextsAreStableConstants) {
    for (int32_t code = -50; code <= 5; ++code) {
        EXPECT_EQ(ZorComDecodeErrorA(code), ZorComDecodeErrorA(code));
        EXPECT_EQ(ZorComDecodeErrorW(code), ZorComDecodeErrorW(code));
        // The two forms agree for every code, not only for those listed above.
        EXPECT_EQ(BytesOf(ZorComDecodeErrorW(code)),
                  Iconv(ZorComDecodeErrorA(code), "CP1251", "UTF-16LE"))
            << code;
    }
}

} // namespace
