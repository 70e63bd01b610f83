// When the modem state an RFC 2217 server has notified tells the lines as
// they stand after the client's last change of DTR or RTS.
//
// Counting notifications does not tell it. The notification of an earlier
// change may still be on its way when the last control word goes out, and
// it must not be taken for the answer to that word. A server may report
// several changes in one notification, or none when a line moves nothing
// the device shows. Nor do a notification's change flags say which command
// it answers: they name the modem inputs, and which input (if any) follows
// DTR or RTS is the device's business.
//
// What does tell it is the server's acknowledgement of SET-CONTROL. A
// server answers and notifies on one stream in the order it acts, so a
// notification that comes after the acknowledgement of the last command
// that moved a line was sent after the server had moved it. A server that
// has acknowledged one SET-CONTROL is taken to acknowledge every one.
// With a server that acknowledges none (ser2net on a pseudo-terminal) only
// counting is left: every command that moved a line is owed a notification
// of its own. Reporting several in one then costs the caller the wait, and
// a notification later than the wait is taken for the next change.
#pragma once

#include "Wait.h"

#include <cstdint>
#include <optional>

namespace nkcomport {

class ModemReports {
public:
    // How long a status read waits for the report still due: long enough
    // for a server on the local network, short enough for a caller that
    // polls the lines.
    static constexpr auto kWait = std::chrono::milliseconds(250);

    // The option is agreed: the first notification tells the lines as they are.
    void connected(Clock::time_point now);
    // One SET-CONTROL went out; movesLine when it changed the level of DTR
    // or RTS from the one last set (or from an unknown one).
    void controlSent(bool movesLine, Clock::time_point now);
    // The server answered a SET-CONTROL.
    void controlAcknowledged();
    // A NOTIFY-MODEMSTATE value: modem state high, change flags low.
    void notified(uint8_t value);

    // The deadline of the report a status read still waits for, if any.
    std::optional<Clock::time_point> due() const;
    // A status read has taken the state as it is: what was not reported
    // by now is given up.
    void read();

private:
    Clock::time_point deadline_{};
    bool firstDue_ = false;
    bool acknowledges_ = false;
    uint64_t sent_ = 0;
    uint64_t acknowledged_ = 0;
    uint64_t lastMove_ = 0;   // the number of the last command that moved a line
    uint64_t unreported_ = 0; // moving commands no notification has answered
};

} // namespace nkcomport
