// Operator commands run through Guarded: an application error that escapes a
// command (a list that cannot grow, memory running out) is shown to the
// operator in an error box with its text, and the program goes on with the
// next command instead of ending.
#pragma once

// Shows the exception being handled as an error box; call it inside a catch
// block. An error without a text is shown with an empty text.
void ShowEscapedError();

template <class Command> void Guarded(Command&& command) {
    try {
        command();
    } catch (...) {
        ShowEscapedError();
    }
}
