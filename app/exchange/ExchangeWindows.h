// The device exchange of the main window: the exchange thread, the meter
// operations over it, and the windows that drive it — the port dialog, the
// progress window, the adaptor, thermo, output test and about windows and
// the rig window. The main window creates one at start, binds its menu items
// and buttons to the handlers below and hands it every event (Dispatch):
// the thread's results arrive as posted ExchangeEvents and are handled on
// the window thread.
#pragma once

#include "exchange/MeterExchange.h"
#include "exchange/Tzorxthreadunit.h"
#include "exchange/XThreadLink.h"

#include <QEvent>

#include <functional>
#include <memory>

class QWidget;
class TAboutDlg;
class TAdaptorDlg;
class TBkltDlg;
class TTestOutDlg;
class TThermoDlg;
class TTunePortDlg;
class TXchgViewDlg;

// The exchange message, posted to the main window by the thread's receiver.
class ExchangeEvent : public QEvent {
public:
    ExchangeEvent(uint32_t message, uint32_t wparam, intptr_t lparam);
    static QEvent::Type EventType();

    const uint32_t Message;
    const uint32_t WParam;
    const intptr_t LParam;
};

class ExchangeWindows final : public ExchangeViews {
public:
    // mainWindow receives the exchange events and owns the windows;
    // showDocument shows the document again in it. The thread logs into log
    // (ZOR_INVALID_HANDLE: no log) and waits by clock (null: real time).
    ExchangeWindows(QWidget* mainWindow, CalibrationDocument& document,
                    std::function<void()> showDocument, ZorFileHandle log,
                    std::shared_ptr<XClock> clock = nullptr);
    // Ends the thread (a running command finishes first), then the windows.
    ~ExchangeWindows() override;
    ExchangeWindows(const ExchangeWindows&) = delete;
    ExchangeWindows& operator=(const ExchangeWindows&) = delete;

    // The main window's event dispatch: true when event was the exchange
    // message, which is then handled.
    bool Dispatch(QEvent* event);

    // --- Handlers of the main window ------------------------------------------
    void ServicePortItemClick();    // "Настройки COM-порта..."
    void ServiceAdaptorItemClick(); // "Настройки адаптера..."
    void ServiceSupplyItemClick();  // "Тест питания..."
    void ServiceTermoItemClick();   // "Термодатчик..."
    void TestOutputItemClick();     // "Тест выходного сигнала..."
    void AboutItemClick();          // "О программе..."
    void RdParamBtnClick();         // "Чтение параметров"
    void WrParamBtnClick();         // "Запись параметров"
    void GetBkltItemClick();        // "Ввод с МН-4.6"
    // "Ручной ввод": the rig window closes.
    void CloseRigWindow();
    // The main window showed the document: the rig window follows the method.
    void DocumentShown();

    // --- ExchangeViews ------------------------------------------------------------
    void ShowProgress() override;
    void HideProgress() override;
    void Beep() override;
    void ShowDocument() override;
    void ShowSensorTemperature(double celsius) override;
    void ShowCompensation(double value) override;
    void ShowTestProgress(int value) override;
    void TestEnded() override;
    void ShowAdaptor(const AdaptorView& view) override;
    void ShowRig() override;

private:
    CalibrationDocument& document_;
    std::function<void()> showDocument_;
    TZorXThread thread_;
    XThreadLink link_{thread_};
    MeterExchange exchange_;

    TTunePortDlg* portDialog_;
    TXchgViewDlg* progress_;
    TAdaptorDlg* adaptorDialog_;
    TBkltDlg* rigDialog_;
    TThermoDlg* thermoDialog_;
    TTestOutDlg* testDialog_;
    TAboutDlg* aboutDialog_;
};
