// An exchange log in a temporary file, read back as bytes.
#pragma once

#include "ZorCommon.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace lgmtest {

class LogCapture {
public:
    LogCapture() {
        path_ =
            std::filesystem::temp_directory_path() /
            ("zorcomlgm-" + std::to_string(getpid()) + "-" + std::to_string(counter_++) + ".log");
        handle_ = ZorCreateLogA(path_.c_str(), 0);
    }
    ~LogCapture() {
        if (handle_ != ZOR_INVALID_HANDLE)
            close(handle_);
        std::filesystem::remove(path_);
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    int Handle() const { return handle_; }
    const std::filesystem::path& Path() const { return path_; }

    // The log's bytes (Windows-1251).
    std::string Bytes() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // The log as UTF-8, for comparing with texts written in the tests.
    std::string Text() const { return zor::Cp1251ToUtf8(Bytes()); }

private:
    static inline int counter_ = 0;
    std::filesystem::path path_;
    int handle_ = ZOR_INVALID_HANDLE;
};

} // namespace lgmtest
