// The commit points of a number edit: leaving it for another control of the
// window (the "Exit" handler) and releasing Enter that was pressed in it (the
// "KeyUp" handler). Only the operator's own moves count: focus taken by a
// message box, a menu or another application is not leaving the edit, and the
// release of an Enter that closed a message box is not a key of the edit.
#pragma once

#include <QObject>

#include <functional>

class QLineEdit;

class EditCommitter : public QObject {
    Q_OBJECT
public:
    // Installs itself on edit and lives as its child. Each commit runs
    // guarded (HandlerGuard.h), never inside another commit of the edit.
    EditCommitter(QLineEdit* edit, std::function<void()> onExit, std::function<void()> onEnter);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Run(const std::function<void()>& commit);

    std::function<void()> onExit_;
    std::function<void()> onEnter_;
    bool enterPressed_ = false;
    bool running_ = false;
};
