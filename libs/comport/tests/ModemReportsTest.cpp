// When a status read may stop waiting for the server's notification, on
// scripted traffic.
#include "ModemReports.h"

#include <gtest/gtest.h>

#include <string>

using namespace nkcomport;

namespace {

// Plays a script on a fresh tracker, one letter per event:
// M a SET-CONTROL that moves a line, K one that keeps the lines as they
// are, A an acknowledgement of a SET-CONTROL, N a notification flagging a
// change, R one that only repeats the state.
bool reportStillDue(const std::string& script) {
    ModemReports reports;
    const auto now = Clock::now();
    for (const char event : script) {
        switch (event) {
        case 'M':
            reports.controlSent(true, now);
            break;
        case 'K':
            reports.controlSent(false, now);
            break;
        case 'A':
            reports.controlAcknowledged();
            break;
        case 'N':
            reports.notified(0xA0 | 0x0A);
            break;
        case 'R':
            reports.notified(0xA0);
            break;
        default:
            ADD_FAILURE() << "unknown event " << event;
        }
    }
    return reports.due().has_value();
}

} // namespace

TEST(ModemReports, WaitsForTheNotificationThatTellsTheLastChange) {
    struct Case {
        const char* script;
        bool due;
    };
    const Case cases[] = {
        {"", false},
        {"K", false}, // nothing moved: nothing to wait for
        {"MAN", false},
        {"MA", true},
        {"MAR", true}, // a repeat answers no change
        // A server that acknowledges: only a notification sent after the
        // last moving command was taken counts, however many came before.
        {"MAN"
         "MM"
         "N"
         "AA",
         true},
        {"MAN"
         "MM"
         "NN"
         "AA",
         true},
        {"MAN"
         "MM"
         "N"
         "AA"
         "N",
         false},
        {"MAN"
         "MM"
         "AA"
         "N",
         false}, // both changes in one notification
        {"MK"
         "AN"
         "A",
         false}, // a later command that moved nothing need not be answered
        {"MAN"
         "AAA"
         "M"
         "N",
         true}, // answers to nothing sent do not run ahead
        // A server that acknowledges nothing: every moving command is owed one.
        {"MMN", true},
        {"MMNN", false},
        {"MKMNN", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(reportStillDue(c.script), c.due) << c.script;
    }
}

TEST(ModemReports, FirstNotificationAndDeadline) {
    ModemReports reports;
    const auto start = Clock::now();
    reports.connected(start);
    ASSERT_TRUE(reports.due());
    EXPECT_EQ(*reports.due(), start + ModemReports::kWait);
    reports.notified(0x00); // the first one tells the lines, whatever it says
    EXPECT_FALSE(reports.due());

    // The wait runs from the last line change.
    const auto later = start + std::chrono::milliseconds(100);
    reports.controlSent(true, start);
    reports.controlSent(false, start + std::chrono::milliseconds(300));
    reports.controlSent(true, later);
    ASSERT_TRUE(reports.due());
    EXPECT_EQ(*reports.due(), later + ModemReports::kWait);

    // A status read gives up what has not come.
    reports.read();
    EXPECT_FALSE(reports.due());
    reports.notified(0xA0 | 0x0A); // late: owed to nobody now
    reports.controlSent(true, later);
    EXPECT_TRUE(reports.due());
}
