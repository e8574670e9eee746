#pragma once
// The window's click handlers: each starts its operation on the worker thread
// and gets the window back when it ends.

#include <QObject>

#include "console/operation_worker.h"
#include "operations/session.h"

namespace dspprog {

class MainWindow;

class OperatorConsole final : public QObject {
    Q_OBJECT

public:
    // Connects the window's buttons. `session.op` must show its dialogs on the
    // window's thread (QtOperator), or an operation waiting for an answer
    // would never get one.
    OperatorConsole(MainWindow& window, Session& session);

    // A click while an operation or the endpoint test runs does nothing: the
    // controls are disabled then, and this holds for a click that was already
    // on its way.
    void GetIdentClick();
    void ReadClick();
    void EreaseChipClick();
    void WriteChipButtonClick();
    void Button1Click();

    bool running() const { return worker_.busy(); }

signals:
    // An operation ended the program: its message has been shown and the link
    // closed. The program should end with `status`.
    void ExitRequested(int status);

private:
    void Start(Outcome (*operation)(Session&));
    void OnStopped(const FatalStop& stop);

    MainWindow& window_;
    Session& session_;
    OperationWorker worker_;
};

}  // namespace dspprog
