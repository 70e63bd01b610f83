#include "document/EditCommitter.h"

#include "document/HandlerGuard.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

EditCommitter::EditCommitter(QLineEdit* edit, std::function<void()> onExit,
                             std::function<void()> onEnter)
    : QObject(edit), onExit_(std::move(onExit)), onEnter_(std::move(onEnter)) {
    edit->installEventFilter(this);
}

bool EditCommitter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::FocusOut: {
        enterPressed_ = false;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            Run(onExit_);
        break;
    }
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !key->isAutoRepeat())
            enterPressed_ = true;
        break;
    }
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !key->isAutoRepeat() &&
            enterPressed_) {
            enterPressed_ = false;
            Run(onEnter_);
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void EditCommitter::Run(const std::function<void()>& commit) {
    if (running_ || !commit)
        return;
    running_ = true;
    Guarded(commit);
    running_ = false;
}
