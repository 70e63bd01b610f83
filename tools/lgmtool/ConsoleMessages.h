// lgmtool's message sink: the core's errors go to stderr, its information to
// stdout, and its questions are answered by --yes or refused.
#pragma once

#include "document/Messages.h"

#include <string_view>

class ConsoleMessages final : public MessageSink {
public:
    // Answers every question with Yes (--yes) or with No.
    void SetAssumeYes(bool yes) { assumeYes_ = yes; }
    // Whether information reaches stdout (a command whose stdout is data
    // turns it off).
    void SetInfoShown(bool shown) { infoShown_ = shown; }

    void ShowError(std::string_view text) override;
    void ShowInfo(std::string_view text) override;
    bool AskYesNo(std::string_view text) override;

private:
    bool assumeYes_ = false;
    bool infoShown_ = true;
};

// The sink main installs, for commands that change its settings.
ConsoleMessages& Console();

// A failure of the tool itself (not of the core): "lgmtool: text" on stderr.
void ReportFailure(std::string_view text);
