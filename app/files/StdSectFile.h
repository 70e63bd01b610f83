// The standard sections file "StdSect.dat" in the program's folder (or the
// user's, see StdSectStore): the defined entries of the standard partition
// table, read once at start and written once at exit.
//
// Layout, little-endian: magic 0x5A4F5253; the number n of entries (at most
// 32); n entries of fifteen words — tag 18, the flags word, the diameter in
// mm, δ, h and Tприв scaled ×10000, a zero, the four breaks, four zeros; and
// the CRC-32 (Crc32X25 from 0, no inversion) of everything before it.
#pragma once

#include "document/StdSect.h"
#include "files/FileIo.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

inline constexpr const char* kStdSectFileName = "StdSect.dat";
// A file that failed its checks is kept under this name.
inline constexpr const char* kStdSectBadSuffix = ".bad";
inline constexpr uint32_t kStdSectMagic = 0x5A4F5253;
inline constexpr uint32_t kStdSectEntryTag = 18;
inline constexpr uint32_t kMaxStdSectEntries = 32;
inline constexpr size_t kStdSectHeaderSize = 8;
inline constexpr size_t kStdSectEntrySize = 60;

enum class StdSectReadStatus {
    Ok,
    ShortHeader,    // "Не удалось прочитать заголовок файла"
    BadMagic,       // "Неподдерживаемый формат файла"
    TooManyEntries, // "В заголовке файла указано\nслишком большое количество записей"
    ShortEntries,   // "Не удалось прочитать данные из файла"
    ChecksumMismatch // "Ошибка контрольной информации файла"
};

// The operator's text of a failed read; empty for Ok.
const char* StdSectReadMessage(StdSectReadStatus status);

// The file's bytes: the defined entries in diameter order.
std::vector<uint8_t> EncodeStdSectFile(const StdSectTable& table);

// Reads the bytes into the table. Every entry becomes undefined first; on Ok
// each stored entry with tag 18 and a diameter of the table defines the entry
// of that diameter (a later one for the same diameter wins); other entries
// are skipped. On a failure every entry stays undefined.
StdSectReadStatus DecodeStdSectFile(std::span<const uint8_t> bytes, StdSectTable& table);

// Full path of the file in folder.
std::string StdSectPath(const std::string& folder);

// Start-up: reads the file at path into the table. A missing (or unreadable)
// file leaves the table as it is, silently. A file that fails its checks
// shows its error, leaves every entry undefined and is renamed to path +
// ".bad", so the next exit writes a fresh file without destroying the
// operator's partitions. Returns the status (Ok also for a missing file).
StdSectReadStatus LoadStdSectFile(const std::string& path, StdSectTable& table);

// Exit: writes the defined entries to path, replacing the file as a whole.
// A file that cannot be created shows the system's error text
// (ShowLastSystemError); a failed write shows "Не удалось записать данные в
// файл" and leaves the previous file intact.
WriteOutcome SaveStdSectFile(const std::string& path, const StdSectTable& table);

// Where the program keeps its standard sections file. The file lives in the
// program's folder, so a program folder copied to another computer takes the
// partitions along. An installed program cannot write there (/usr/bin), and
// an operator's partitions must not be lost at exit for that: while the
// program's folder cannot be written, the file lives in the user's own folder
// (UserSettingsFolder) instead, and until the user has one, the program
// folder's file, when there is one, is the table the user starts from. The
// choice is made anew at every load and save, so each copy of the program
// whose folder can be written keeps to its own file.
class StdSectStore {
public:
    // userFolder may be empty (no home folder): the program folder alone.
    StdSectStore(std::string programFolder, std::string userFolder);

    // The file Save writes: the program folder's while this process may
    // write into that folder or no user folder is known, else the user's.
    std::string SavePath() const;
    // The file Load reads: SavePath when it exists, else the program
    // folder's.
    std::string ReadPath() const;
    // LoadStdSectFile on ReadPath.
    StdSectReadStatus Load(StdSectTable& table) const;
    // SaveStdSectFile on SavePath, making the user's folder first when the
    // file goes there.
    WriteOutcome Save(const StdSectTable& table) const;

private:
    bool UsesUserFolder() const;

    std::string programFolder_;
    std::string userFolder_;
};
