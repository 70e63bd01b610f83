/*
 * ZorLang — the system's error codes and their texts for the operator.
 *
 * Every operation of the device libraries (NkComPort, ZorComLgm, ZorComBklt,
 * ZorComGkms) reports its outcome as one signed 32-bit error code: 0 and every
 * positive value mean success (some operations return a useful positive
 * value such as a port number or a byte), -1 ... -43 are the failures below,
 * any other negative value is unknown. A code keeps its meaning whichever
 * library returns it. -1 ... -20 are failures of the serial layer, -21 ... -43
 * failures of the device protocols.
 *
 * Other libraries and the program may include this header for the named
 * constants alone, without linking ZorLang.
 *
 * Thread safety: stateless; both functions may be called from any thread.
 */
#ifndef ZORLANG_H
#define ZORLANG_H

#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

#define ZORLANG_API __attribute__((visibility("default")))

/* The codes, each with its text. */
/* clang-format off */
enum ZorErrorCode {
    ZOR_OK = 0,                     /* "Нет ошибки" (also every positive code) */
    ZOR_ERR_UNSPECIFIED = -1,       /* "Ошибка не специфицирована" */
    ZOR_ERR_PORT_OPEN = -2,         /* "Не удалось создать(открыть) порт" */
    ZOR_ERR_EVENT = -3,             /* "Не удалось сопоставить событие" */
    ZOR_ERR_GET_CONFIG = -4,        /* "Не удалось получить конфигурацию от аппаратуры ПК" */
    ZOR_ERR_SET_CONFIG = -5,        /* "Не удалось установить конфигурацию аппаратуры ПК" */
    ZOR_ERR_GET_CONTROL = -6,       /* "Не удалось получить состояние управляющих сигналов" */
    ZOR_ERR_SET_CONTROL = -7,       /* "Не удалось установить состояние управляющих сигналов" */
    ZOR_ERR_READ = -8,              /* "Не удалось выполнить чтение данных" */
    ZOR_ERR_WRITE = -9,             /* "Не удалось выполнить запись данных" */
    ZOR_ERR_READ_TIMEOUT = -10,     /* "Не удалось выполнить чтение - истек таймаут" */
    ZOR_ERR_WRITE_TIMEOUT = -11,    /* "Не удалось выполнить запись - истек таймаут" */
    ZOR_ERR_READ_ABORTED = -12,     /* "Не удалось выполнить чтение - операция прервана" */
    ZOR_ERR_WRITE_ABORTED = -13,    /* "Не удалось выполнить запись - операция прервана" */
    ZOR_ERR_PURGE = -14,            /* "Не удалось очистить буферы" */
    ZOR_ERR_PURGE_ABORTED = -15,    /* "Не удалось очистить буферы - операция прервана" */
    ZOR_ERR_GET_QUEUE = -16,        /* "Не удалось получить размеры очередей" */
    ZOR_ERR_BAD_HANDLE = -17,       /* "Неверный дескриптор" */
    ZOR_ERR_PORT_NOT_OPEN = -18,    /* "Порт не открыт" */
    ZOR_ERR_BAD_PARAM = -19,        /* "Неверное значение параметра" */
    ZOR_ERR_BREAK = -20,            /* "Не удалось прервать операцию" */
    ZOR_ERR_CHECKSUM = -21,         /* "Ошибка при проверке контрольной информации" */
    ZOR_ERR_REJECTED = -22,         /* "Прибор отверг команду" */
    ZOR_ERR_BUFFER_TOO_SMALL = -23, /* "Размер буфера мал для корректного выполнения команды" */
    ZOR_ERR_ECHO_MISMATCH = -24,    /* "Возвращенные данные не соответствуют переданным" */
    ZOR_ERR_BAD_VALUES = -25,       /* "Набор данных, возвращенный прибором, содержит недопустимые значения" */
    ZOR_ERR_NO_DEVICE = -26,        /* "Устройство не обнаружено" */
    ZOR_ERR_BAD_VERSION = -27,      /* "Неверная версия прибора" */
    ZOR_ERR_NO_RESOURCES = -28,     /* "Нехватка ресурсов для выполнения операции" */
    ZOR_ERR_BAD_ANSWER = -29,       /* "Неверный ответ от прибора" */
    ZOR_ERR_FAILED = -30,           /* "Операция завершилась неудачно" */
    ZOR_ERR_TIMEOUT = -31,          /* "Операция завершена из-за истечения таймаута" */
    ZOR_ERR_ABORTED = -32,          /* "Операция была прервана" */
    ZOR_ERR_PEER_BUSY = -33,        /* "Соединение невозможно - адресат занят" */
    ZOR_ERR_NOT_INITIALIZED = -34,  /* "Не выполнинена инициализация" */
    ZOR_ERR_PEER_LOCKED = -35,      /* "Соединение невозможно - адресат блокирован" */
    ZOR_ERR_SERVICE_DAMAGED = -36,  /* "Работа невозможна - один из файлов сервиса поврежден" */
    ZOR_ERR_SERVICE_VERSION = -37,  /* "Работа невозможна - неверная версия сервиса" */
    ZOR_ERR_REINIT_NEEDED = -38,    /* "Необходима переинициализация" */
    ZOR_ERR_CHANNEL_STATE = -39,    /* "Неверное состояние канала передачи информации" */
    ZOR_ERR_RESOURCE_LOCKED = -40,  /* "Коммуникационный ресурс заблокирован" */
    ZOR_ERR_RESOURCE_IN_USE = -41,  /* "Ресурс уже используется - попытка повторного использования" */
    ZOR_ERR_NO_COMM_DEVICE = -42,   /* "Коммуникационное устройство не существует или не назначено" */
    ZOR_ERR_DATA_SIZE = -43,        /* "Неверный размер данных" */
    ZOR_ERR_LAST = ZOR_ERR_DATA_SIZE /* the lowest known code; below it "Неизвестный код ошибки" */
};
/* clang-format on */

#ifdef __cplusplus
extern "C" {
#endif

/*
 * The operator's text of an error code: "Нет ошибки" for 0 and every positive
 * code, the text above for -1 ... -43, "Неизвестный код ошибки" below -43.
 * ZorComDecodeErrorA gives it in Windows-1251, ZorComDecodeErrorW in UTF-16;
 * both carry the same text. Never fails. The text is a constant that lives
 * as long as the library; do not free or change it.
 */
ZORLANG_API const char* ZorComDecodeErrorA(int32_t code);
ZORLANG_API const char16_t* ZorComDecodeErrorW(int32_t code);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ZORLANG_H */
