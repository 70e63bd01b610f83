// The operator's message boxes: the core's errors, information and questions
// and ZorCommon's system-error messages, each a box of its own that stays on
// top of every window and blocks the whole application until answered.
#pragma once

#include "document/Messages.h"

class MessageBoxSink final : public MessageSink {
public:
    void ShowError(std::string_view text) override;
    void ShowInfo(std::string_view text) override;
    bool AskYesNo(std::string_view text) override;
    void ShowExchangeError(std::string_view text) override;
};

// Routes ShowLastSystemError's messages into error boxes titled as the library
// titles them ("GetLastError"). A message reported from another thread is
// shown by the user interface thread.
void InstallSystemErrorBoxes();
// Restores ZorCommon's own handler (stderr).
void RemoveSystemErrorBoxes();
