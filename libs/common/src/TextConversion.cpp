// Windows-1251 <-> UTF-8 for the GUI, which shows Unicode while the meters'
// texts and the exchange log stay in the 8-bit code page.
#include "ZorCommon.h"
#include "ZorLang.h"

#include "Cp1251.h"
#include "Utf.h"

#include <cstring>

namespace {

// Keeps the worst case (3 UTF-8 bytes per input byte) inside the int32 result.
constexpr uint32_t kMaxLength = 0x2AAAAAAA;

bool ArgumentsValid(const char* text, uint32_t length, const char* out, uint32_t outSize) {
    return (text || length == 0) && (out || outSize == 0) && length <= kMaxLength;
}

// Collects the converted text snprintf-style: counts every byte, stores only
// whole characters that leave room for the terminator.
class Output {
public:
    Output(char* out, uint32_t size) : out_(out), size_(size) {}

    void Put(const char* bytes, std::size_t n) {
        if (!cut_ && stored_ + n < size_) {
            std::memcpy(out_ + stored_, bytes, n);
            stored_ += n;
        } else {
            cut_ = true;
        }
        total_ += n;
    }

    int32_t Finish() {
        if (size_ > 0)
            out_[stored_] = '\0';
        return static_cast<int32_t>(total_);
    }

private:
    char* out_;
    std::size_t size_;
    std::size_t stored_ = 0;
    std::size_t total_ = 0;
    bool cut_ = false;
};

} // namespace

int32_t ZorCp1251ToUtf8(const char* text, uint32_t length, char* out, uint32_t outSize) {
    if (!ArgumentsValid(text, length, out, outSize))
        return ZOR_ERR_BAD_PARAM;
    Output output(out, outSize);
    char bytes[4];
    for (uint32_t i = 0; i < length; ++i) {
        char32_t cp = zor::cp1251::ToUnicode(static_cast<uint8_t>(text[i]));
        output.Put(bytes, zor::utf::EncodeUtf8(cp, bytes));
    }
    return output.Finish();
}

int32_t ZorUtf8ToCp1251(const char* text, uint32_t length, char* out, uint32_t outSize) {
    if (!ArgumentsValid(text, length, out, outSize))
        return ZOR_ERR_BAD_PARAM;
    Output output(out, outSize);
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    for (std::size_t i = 0; i < length;) {
        char32_t cp = 0;
        std::size_t taken = zor::utf::DecodeUtf8(p + i, length - i, cp);
        char byte = '?';
        if (taken == 0) {
            taken = 1;
        } else if (auto mapped = zor::cp1251::FromUnicode(cp)) {
            byte = static_cast<char>(*mapped);
        }
        output.Put(&byte, 1);
        i += taken;
    }
    return output.Finish();
}
