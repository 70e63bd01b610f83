// Reading whole files and replacing files safely.
//
// Every file the program writes goes through AtomicFileWriter: the new
// contents are written to a temporary file in the same folder, flushed to the
// disk and only then renamed over the old file. A write that fails half way
// (a full disk, a removed medium) therefore leaves the previous file exactly
// as it was, instead of a truncated one in its place.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The largest file the readers take in. Calibration files, imports and the
// standard sections file are a few kilobytes; anything near this size is not
// one of them, and reading it would only exhaust the memory.
inline constexpr uint64_t kMaxReadFileSize = 256u << 20;

// The whole contents of a regular file; nullopt when it cannot be opened or
// read, is not a regular file or is larger than kMaxReadFileSize.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path);

// Whether a file (or anything else) exists under path.
bool PathExists(const std::string& path);

// The last component of a path: "/a/b/m1.srv" → "m1.srv".
std::string_view PathBaseName(std::string_view path);
// The extension of the last component, with its dot: ".srv"; empty when the
// last component has no '.'.
std::string_view PathExtension(std::string_view path);
// Whether the extensions are equal without regard to ASCII case.
bool SameExtension(std::string_view a, std::string_view b);
// path with extension (".srv") appended when its last component has none.
std::string WithDefaultExtension(std::string_view path, std::string_view extension);
// folder joined with name, with one '/' between them.
std::string JoinPath(std::string_view folder, std::string_view name);

// Writes a file by replacing it as a whole.
//
//     AtomicFileWriter file;
//     if (!file.Open(path)) ... "cannot create"
//     if (!file.Write(bytes) || !file.Commit()) ... "write failed", old file intact
//
// A writer that is destroyed without a successful Commit removes its
// temporary file and leaves the target untouched.
class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file beside path. False when the folder does not
    // exist, is not a folder or cannot be written, or when path is a file
    // that is write-protected (errno tells why).
    bool Open(const std::string& path);
    // Appends bytes to the temporary file; false once any write failed.
    bool Write(std::span<const uint8_t> bytes);
    bool Write(std::string_view text);
    // Flushes the temporary file, gives it the old file's permissions (new
    // files: 0666 less the umask) and renames it over the target. False, with
    // the temporary file removed and the target untouched, when anything
    // failed since Open.
    bool Commit();

private:
    void Discard();

    int fd_ = -1;
    bool failed_ = false;
    std::string target_;
    std::string temporary_;
};

// Writes bytes to path through an AtomicFileWriter.
enum class WriteOutcome {
    Written,
    CannotCreate, // the temporary file could not be created: nothing was written
    WriteFailed,  // writing, flushing or renaming failed: the old file is intact
};
WriteOutcome WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes);
