// The fixed texts this library writes into the exchange log. The log is
// Windows-1251; the texts are written here in Unicode and encoded by the
// compiler with the code page table ZorCommon converts with.
#pragma once

#include "Cp1251.h"

#include <cstddef>

namespace lgm {

template <std::size_t N> struct Cp1251Text {
    char Bytes[N]{};

    consteval Cp1251Text(const char16_t (&text)[N]) {
        for (std::size_t i = 0; i < N; ++i) {
            auto byte = zor::cp1251::FromUnicode(text[i]);
            if (!byte)
                throw "a log text holds a character Windows-1251 lacks";
            Bytes[i] = static_cast<char>(*byte);
        }
    }

    constexpr const char* Text() const { return Bytes; }
};

namespace logtext {

inline constexpr Cp1251Text kReadParams{u"[]>> Чтение параметров:"};
inline constexpr Cp1251Text kWriteParams{u"[]>> Запись параметров:\r\n"};
inline constexpr Cp1251Text kReadTable{u"[]>> Чтение таблицы:"};
inline constexpr Cp1251Text kWriteTable{u"[]>> Запись таблицы:\r\n"};
inline constexpr Cp1251Text kReadFlash{u"[]>> Чтение длительности вспышки:"};
inline constexpr Cp1251Text kReadAdaptor{u"[]>> Чтение версии адаптера:"};
inline constexpr Cp1251Text kSetLevel{u"[]>> Установка уровня:"};
inline constexpr Cp1251Text kShortCommand{u"[]>> Короткая команда:"};
inline constexpr Cp1251Text kAnswer{u">>[] Ответ:"};
inline constexpr Cp1251Text kBadChecksum{u"!! Неверная контрольная информация\r\n"};
inline constexpr Cp1251Text kEchoMismatch{u"!! Ответ не соответствует посылке\r\n"};

} // namespace logtext
} // namespace lgm
