// The fixed texts this library writes into the exchange log. The log is
// Windows-1251; the texts are written here in Unicode and encoded by the
// compiler.
#pragma once

#include "ZorProtocolSupport.h"

namespace lgm {

using zorproto::Cp1251Text;

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
