#include "console/operator_console.h"

#include <QCheckBox>
#include <QPushButton>

#include "console/fatal_report.h"
#include "console/main_window.h"
#include "operations/erase_chip.h"
#include "operations/identify.h"
#include "operations/read_chip.h"
#include "operations/speed_test.h"
#include "operations/write_chip.h"

namespace dspprog {

OperatorConsole::OperatorConsole(MainWindow& window, Session& session)
    : window_(window), session_(session) {
    connect(window_.GetIdent, &QPushButton::clicked, this, &OperatorConsole::GetIdentClick);
    connect(window_.Read, &QPushButton::clicked, this, &OperatorConsole::ReadClick);
    connect(window_.EreaseChip, &QPushButton::clicked, this, &OperatorConsole::EreaseChipClick);
    connect(window_.WriteChipButton, &QPushButton::clicked, this,
            &OperatorConsole::WriteChipButtonClick);
    connect(window_.Button1, &QPushButton::clicked, this, &OperatorConsole::Button1Click);

    connect(&worker_, &OperationWorker::Finished, this, [this] { window_.SetRunning(false); });
    connect(&worker_, &OperationWorker::Stopped, this, &OperatorConsole::OnStopped);
}

void OperatorConsole::GetIdentClick() {
    Start(&dspprog::GetIdentClick);
}
void OperatorConsole::ReadClick() {
    Start(&dspprog::ReadClick);
}
void OperatorConsole::EreaseChipClick() {
    Start(&dspprog::EreaseChipClick);
}
void OperatorConsole::WriteChipButtonClick() {
    Start(&dspprog::WriteChipButtonClick);
}
void OperatorConsole::Button1Click() {
    Start(&dspprog::Button1Click);
}

void OperatorConsole::Start(Outcome (*operation)(Session&)) {
    if (worker_.busy()) return;
    // The operation reads these on its own thread; they cannot change while it
    // runs because the check boxes are disabled.
    session_.CheckBoxNotWrite = window_.CheckBoxNotWrite->isChecked();
    session_.CheckBoxNotErase = window_.CheckBoxNotErase->isChecked();
    window_.ShowProgress(0, 0);
    window_.SetRunning(true);
    worker_.Run([this, operation] { operation(session_); });
}

void OperatorConsole::OnStopped(const FatalStop& stop) {
    const int status = ReportFatalStop(stop, &window_);
    session_.link.Close();
    emit ExitRequested(status);
}

}  // namespace dspprog
