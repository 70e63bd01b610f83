#include "exchange/ExchangeWindows.h"

#include "document/HandlerGuard.h"
#include "exchange/AboutUnit.h"
#include "exchange/AdaptorUnit.h"
#include "exchange/Bkltunit.h"
#include "exchange/TestOutUnit.h"
#include "exchange/ThermoUnit.h"
#include "exchange/TunePortUnit.h"
#include "exchange/XchgViewUnit.h"

#include <QApplication>
#include <QWidget>

ExchangeEvent::ExchangeEvent(uint32_t message, uint32_t wparam, intptr_t lparam)
    : QEvent(EventType()), Message(message), WParam(wparam), LParam(lparam) {}

QEvent::Type ExchangeEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

ExchangeWindows::ExchangeWindows(QWidget* mainWindow, CalibrationDocument& document,
                                 std::function<void()> showDocument, ZorFileHandle log,
                                 std::shared_ptr<XClock> clock)
    : document_(document), showDocument_(std::move(showDocument)), thread_(std::move(clock)),
      exchange_(link_, document, *this), portDialog_(new TTunePortDlg(mainWindow)),
      progress_(new TXchgViewDlg(mainWindow, [this] { exchange_.AbortExchange(); })),
      adaptorDialog_(new TAdaptorDlg(mainWindow,
                                     [this](int level, bool automatic) {
                                         Guarded([&] { exchange_.TuneAdaptor(level, automatic); });
                                     })),
      rigDialog_(new TBkltDlg(mainWindow, exchange_.Rig(), [this] { showDocument_(); })),
      thermoDialog_(new TThermoDlg(mainWindow, exchange_)),
      testDialog_(new TTestOutDlg(mainWindow,
                                  [this] {
                                      bool started = false;
                                      Guarded([&] { started = exchange_.StartOutputTest(); });
                                      return started;
                                  })),
      aboutDialog_(new TAboutDlg(mainWindow)) {
    // Called on the worker thread: the message only travels to the window
    // thread here. The window outlives the thread (the destructor ends it).
    thread_.SetNotify(
        [mainWindow](uint32_t message, uint32_t wparam, intptr_t lparam) {
            QCoreApplication::postEvent(mainWindow, new ExchangeEvent(message, wparam, lparam));
        },
        kExchangeMessage, log);
}

ExchangeWindows::~ExchangeWindows() {
    thread_.Terminate();
    for (QWidget* window :
         std::initializer_list<QWidget*>{portDialog_, progress_, adaptorDialog_, rigDialog_,
                                         thermoDialog_, testDialog_, aboutDialog_})
        delete window;
}

bool ExchangeWindows::Dispatch(QEvent* event) {
    if (event->type() != ExchangeEvent::EventType())
        return false;
    const auto* message = static_cast<const ExchangeEvent*>(event);
    if (message->Message == kExchangeMessage)
        Guarded([&] {
            exchange_.ExchangeResult(message->WParam, static_cast<uintptr_t>(message->LParam));
        });
    return true;
}

// --- Handlers of the main window ------------------------------------------------------

void ExchangeWindows::ServicePortItemClick() {
    if (const std::optional<int> port = portDialog_->Choose(document_.PortIndex()))
        exchange_.PortChosen(*port);
}

void ExchangeWindows::ServiceAdaptorItemClick() {
    adaptorDialog_->Execute(AdaptorOpening(document_.AdaptorLevel()));
}

void ExchangeWindows::ServiceSupplyItemClick() {
    exchange_.ServiceSupplyItemClick();
}

void ExchangeWindows::ServiceTermoItemClick() {
    thermoDialog_->Execute();
}

void ExchangeWindows::TestOutputItemClick() {
    testDialog_->Execute();
}

void ExchangeWindows::AboutItemClick() {
    aboutDialog_->exec();
}

void ExchangeWindows::RdParamBtnClick() {
    exchange_.RdParamBtnClick();
}

void ExchangeWindows::WrParamBtnClick() {
    exchange_.WrParamBtnClick();
}

void ExchangeWindows::GetBkltItemClick() {
    rigDialog_->Open();
}

void ExchangeWindows::CloseRigWindow() {
    rigDialog_->CloseForManualInput();
}

void ExchangeWindows::DocumentShown() {
    rigDialog_->ShowConsole();
}

// --- ExchangeViews -------------------------------------------------------------------------

void ExchangeWindows::ShowProgress() {
    progress_->ShowExchange();
}

void ExchangeWindows::HideProgress() {
    progress_->HideExchange();
}

void ExchangeWindows::Beep() {
    QApplication::beep();
}

void ExchangeWindows::ShowDocument() {
    showDocument_();
}

void ExchangeWindows::ShowSensorTemperature(double celsius) {
    thermoDialog_->ShowSensorTemperature(celsius);
}

void ExchangeWindows::ShowCompensation(double value) {
    thermoDialog_->ShowCompensation(value);
}

void ExchangeWindows::ShowTestProgress(int value) {
    testDialog_->ShowProgress(value);
}

void ExchangeWindows::TestEnded() {
    testDialog_->TestEnded();
}

void ExchangeWindows::ShowAdaptor(const AdaptorView& view) {
    adaptorDialog_->Show(view);
}

void ExchangeWindows::ShowRig() {
    rigDialog_->ShowConsole();
}
