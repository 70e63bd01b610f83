// Where the standard sections file is kept: beside the program while its
// folder can be written, in the user's folder once it cannot.
#include "files/StdSectFile.h"

#include "document/testing/MessageRecorder.h"

#include "FileTestSupport.h"
#include "ZorCommon.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace filetest;

namespace {

StdSectTable TableWith(size_t du, double errorLimit) {
    StdSectTable table{};
    table[du].Flags = kStdSectDefined;
    table[du].ErrorLimit = errorLimit;
    table[du].SpreadLimit = 0.05;
    table[du].Tpriv = 20.0;
    table[du].Breaks = {1, 2, 3, 4};
    return table;
}

// Makes a folder unwritable for this process, as /usr/bin is for an
// operator. Root writes anywhere, so a test running as root also acts as
// "nobody" meanwhile; every other folder the test touches must be open to
// that user.
class WriteProtected {
public:
    explicit WriteProtected(const std::string& folder) : folder_(folder) {
        chmod(folder_.c_str(), 0555);
        if (geteuid() == 0 && seteuid(kNobody) == 0)
            dropped_ = true;
    }
    ~WriteProtected() {
        if (dropped_ && seteuid(0) != 0)
            ADD_FAILURE() << "could not return to root";
        chmod(folder_.c_str(), 0700);
    }
    WriteProtected(const WriteProtected&) = delete;
    WriteProtected& operator=(const WriteProtected&) = delete;

private:
    static constexpr uid_t kNobody = 65534;
    std::string folder_;
    bool dropped_ = false;
};

// ShowLastSystemError's messages, caught for the test.
std::vector<std::string> systemErrors;
void CatchSystemError(const char*, const char* text) {
    systemErrors.emplace_back(text);
}

class StdSectStoreTest : public testing::Test {
protected:
    StdSectStoreTest() {
        // "nobody" makes the user's folder inside this one.
        chmod(home.Folder().c_str(), 0777);
        EXPECT_EQ(SaveStdSectFile(programFile, TableWith(1, 0.01)), WriteOutcome::Written);
    }

    TempDir program;
    TempDir home;
    const std::string programFile = StdSectPath(program.Folder());
    const std::string userFolder = home.Path(".config/lgmservice");
    const std::string userFile = StdSectPath(userFolder);
    MessageRecorder messages;
};

// A program folder that can be written keeps its own file, even when the
// user has one from an installed copy of the program.
TEST_F(StdSectStoreTest, AWritableProgramFolderKeepsTheFile) {
    std::filesystem::create_directories(userFolder);
    WriteBytes(userFile, EncodeStdSectFile(TableWith(9, 0.09)));

    const StdSectStore store(program.Folder(), userFolder);
    EXPECT_EQ(store.ReadPath(), programFile);
    StdSectTable table{};
    EXPECT_EQ(store.Load(table), StdSectReadStatus::Ok);
    EXPECT_EQ(table[1].ErrorLimit, 0.01);
    EXPECT_FALSE(table[9].IsDefined());

    EXPECT_EQ(store.Save(TableWith(2, 0.02)), WriteOutcome::Written);
    EXPECT_EQ(ReadBytes(programFile), EncodeStdSectFile(TableWith(2, 0.02)));
    EXPECT_EQ(ReadBytes(userFile), EncodeStdSectFile(TableWith(9, 0.09)));
    EXPECT_TRUE(messages.Empty());
}

TEST_F(StdSectStoreTest, AProtectedProgramFolderSendsTheFileToTheUser) {
    const Bytes shared = ReadBytes(programFile);
    const WriteProtected readOnly(program.Folder());
    const StdSectStore store(program.Folder(), userFolder);
    EXPECT_EQ(store.SavePath(), userFile);

    // The program folder's file is the table the user starts from.
    EXPECT_EQ(store.ReadPath(), programFile);
    StdSectTable table{};
    EXPECT_EQ(store.Load(table), StdSectReadStatus::Ok);
    EXPECT_EQ(table[1].ErrorLimit, 0.01);
    EXPECT_EQ(store.Save(TableWith(3, 0.03)), WriteOutcome::Written);
    EXPECT_EQ(ReadBytes(userFile), EncodeStdSectFile(TableWith(3, 0.03)));

    // From then on the user's file is read and written.
    EXPECT_EQ(store.ReadPath(), userFile);
    EXPECT_EQ(store.Load(table), StdSectReadStatus::Ok);
    EXPECT_FALSE(table[1].IsDefined());
    EXPECT_EQ(table[3].ErrorLimit, 0.03);
    EXPECT_EQ(store.Save(TableWith(4, 0.04)), WriteOutcome::Written);
    EXPECT_EQ(ReadBytes(userFile), EncodeStdSectFile(TableWith(4, 0.04)));

    EXPECT_EQ(ReadBytes(programFile), shared);
    EXPECT_EQ(program.Names(), (std::vector<std::string>{"StdSect.dat"}));
    EXPECT_TRUE(messages.Empty());
}

TEST_F(StdSectStoreTest, NowhereToWriteShowsTheSystemError) {
    WriteText(home.Path("plain"), "x");
    const struct {
        const char* Name;
        std::string UserFolder;
    } cases[] = {
        {"no home folder", ""},
        {"a user folder beneath a file", home.Path("plain/lgmservice")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        systemErrors.clear();
        const ZorMessageHandler previous = ZorSetMessageHandler(CatchSystemError);
        WriteOutcome outcome;
        {
            const WriteProtected readOnly(program.Folder());
            outcome = StdSectStore(program.Folder(), c.UserFolder).Save(TableWith(5, 0.05));
        }
        ZorSetMessageHandler(previous);
        EXPECT_EQ(outcome, WriteOutcome::CannotCreate);
        ASSERT_EQ(systemErrors.size(), 1u);
        EXPECT_FALSE(systemErrors[0].empty());
        EXPECT_EQ(ReadBytes(programFile), EncodeStdSectFile(TableWith(1, 0.01)));
    }
}

} // namespace
