// An exchange log in a temporary file, read back as UTF-8 for comparison.
#pragma once

#include "ZorCommon.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

class LogCapture {
public:
    LogCapture() {
        char name[] = "/tmp/zorcom-log-XXXXXX";
        const int fd = ::mkstemp(name);
        if (fd >= 0) {
            ::close(fd);
        }
        path_ = name;
        handle_ = ZorCreateLogA(path_.c_str(), 0);
    }
    ~LogCapture() {
        if (handle_ != ZOR_INVALID_HANDLE) {
            ::close(handle_);
        }
        ::unlink(path_.c_str());
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    ZorFileHandle handle() const { return handle_; }

    // Everything logged so far, converted from Windows-1251.
    std::string text() const {
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return zor::Cp1251ToUtf8(bytes.str());
    }

private:
    std::string path_;
    ZorFileHandle handle_ = ZOR_INVALID_HANDLE;
};
