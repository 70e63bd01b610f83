#include "ZorCommon.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Shown {
    std::string title;
    std::string text;
};
std::vector<Shown> g_shown;

void Record(const char* title, const char* text) {
    g_shown.push_back({title, text});
}

class SystemError : public testing::Test {
protected:
    void SetUp() override { g_shown.clear(); }
    void TearDown() override { ZorSetMessageHandler(nullptr); }
};

TEST_F(SystemError, ShowsLastErrorThroughInstalledHandler) {
    EXPECT_EQ(ZorSetMessageHandler(Record), nullptr);
    errno = ENOENT;
    ShowLastSystemError();
    ASSERT_EQ(g_shown.size(), 1u);
    EXPECT_EQ(g_shown[0].title, "GetLastError");
    EXPECT_EQ(g_shown[0].text, std::strerror(ENOENT));
    EXPECT_EQ(ZorSetMessageHandler(nullptr), &Record);
}

TEST_F(SystemError, WritesToStderrWithoutHandler) {
    testing::internal::CaptureStderr();
    errno = EACCES;
    ShowLastSystemError();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              std::string("GetLastError: ") + std::strerror(EACCES) + "\n");
    EXPECT_TRUE(g_shown.empty());
}

} // namespace
