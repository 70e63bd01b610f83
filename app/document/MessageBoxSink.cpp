#include "document/MessageBoxSink.h"

#include "ZorCommon.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Boxes have no owner window: they belong to the application, not to the
// window that happened to ask.
QMessageBox::StandardButton ShowBox(QMessageBox::Icon icon, const QString& title,
                                    const QString& text, QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, title, text, buttons);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.setWindowModality(Qt::ApplicationModal);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void ShowSystemMessage(const char* title, const char* text) {
    const QString boxTitle = QString::fromUtf8(title);
    const QString boxText = QString::fromUtf8(text);
    auto show = [boxTitle, boxText] {
        ShowBox(QMessageBox::Critical, boxTitle, boxText, QMessageBox::Ok);
    };
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr)
        return;
    if (QThread::currentThread() == app->thread())
        show();
    else
        QMetaObject::invokeMethod(app, show, Qt::QueuedConnection);
}

} // namespace

void MessageBoxSink::ShowError(std::string_view text) {
    ShowBox(QMessageBox::Critical, QString::fromUtf8(kErrorTitle), FromUtf8(text), QMessageBox::Ok);
}

void MessageBoxSink::ShowInfo(std::string_view text) {
    ShowBox(QMessageBox::Information, QString::fromUtf8(kInfoTitle), FromUtf8(text),
            QMessageBox::Ok);
}

bool MessageBoxSink::AskYesNo(std::string_view text) {
    return ShowBox(QMessageBox::Question, QString::fromUtf8(kQuestionTitle), FromUtf8(text),
                   QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void MessageBoxSink::ShowExchangeError(std::string_view text) {
    ShowBox(QMessageBox::Critical, QString::fromUtf8(kExchangeErrorTitle), FromUtf8(text),
            QMessageBox::Ok);
}

void InstallSystemErrorBoxes() {
    ZorSetMessageHandler(&ShowSystemMessage);
}

void RemoveSystemErrorBoxes() {
    ZorSetMessageHandler(nullptr);
}
