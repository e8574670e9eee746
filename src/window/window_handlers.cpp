// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/window_handlers.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

#include "app/operation_table.h"
#include "app/programmer.h"
#include "operations/write_chip.h"
#include "window/fatal_report.h"
#include "window/main_window.h"
#include "window/qt_operator.h"

namespace dspprog {

WindowHandlers::WindowHandlers(MainWindow& window, Session& session, QSettings& settings)
    : window_(window),
      session_(session),
      settings_(settings),
      series_setup_(LoadSeriesSetup(settings)),
      next_chip_(window) {
    for (const OperationRow& row : OperationRows()) {
        auto* button = window_.findChild<QPushButton*>(QString::fromUtf8(row.button));
        // A row naming no button of this window is a mistake in the table:
        // better the program does not start than a button that does nothing.
        if (button == nullptr)
            qFatal("no button '%s' for the command '%s'", row.button, row.command);
        const ButtonOperation& operation = row.operation;
        connect(button, &QPushButton::clicked, this, [this, &operation] { Start(operation); });
    }

    connect(window_.SerialButton, &QPushButton::clicked, this, &WindowHandlers::EditSeries);
    connect(&worker_, &OperationWorker::Finished, this, &WindowHandlers::OnFinished);
    connect(&worker_, &OperationWorker::Stopped, this, &WindowHandlers::OnStopped);
    window_.HoldCloseWhile([this] { return running(); });
}

void WindowHandlers::Start(const ButtonOperation& operation) {
    // Busy is claimed here, on the window's thread, before the work goes to
    // the worker, so that a click arriving before the worker has started is
    // refused too; it is cleared here as well, once the worker is done.
    if (session_.Busy) return;
    if (&operation == &kWriteChipButton && window_.CheckBoxSeries->isChecked()) {
        StartSeries();
        return;
    }
    session_.Busy = 1;
    TakeSettings();
    window_.ShowProgress(0, 0);
    window_.EnableControls(false);
    worker_.Run([this, &operation] { RunButtonOperation(session_, operation); });
}

// The operation reads these on its own thread; they cannot change while it
// runs because the check boxes are disabled. A series takes them the same
// way, so that it writes what a single write would.
void WindowHandlers::TakeSettings() {
    session_.settings.save_read = !window_.CheckBoxNotWrite->isChecked();
    session_.settings.erase_first = !window_.CheckBoxNotErase->isChecked();
    session_.settings.pad_short_image = window_.CheckBoxPad->isChecked();
    session_.settings.layout.lane = window_.ChosenLane();
    session_.settings.layout.swap = window_.CheckBoxSwap->isChecked();
}

void WindowHandlers::EditSeries() {
    if (session_.Busy) return;
    WindowSeriesSetup setup = series_setup_;
    if (EditSeriesSetup(&window_, setup)) SetSeriesSetup(setup);
}

void WindowHandlers::SetSeriesSetup(const WindowSeriesSetup& setup) {
    series_setup_ = setup;
    SaveSeriesSetup(settings_, series_setup_);
}

bool WindowHandlers::StartSeries() {
    std::string error;
    const auto fail = [&] {
        serials_.reset();
        log_.reset();
        QMessageBox::critical(&window_, kErrorBoxTitle, QString::fromStdString(error));
        return false;
    };
    if (series_setup_.numbered) {
        SerialNumbering numbering;
        if (!ParseSerialNumbering(series_setup_.numbering.toStdString(), numbering, error))
            return fail();
        std::optional<std::string> file;
        if (!series_setup_.serial_file.isEmpty()) file = series_setup_.serial_file.toStdString();
        serials_ = SerialSource::Open(numbering, file, error);
        if (!serials_) return fail();
    }
    if (!series_setup_.log_file.isEmpty()) {
        log_ = ChipLog::Open(series_setup_.log_file.toStdString(), error);
        if (!log_) return fail();
    }

    session_.Busy = 1;
    TakeSettings();
    session_.settings.save_read = false;
    window_.ShowProgress(0, 0);
    window_.ShowSeriesCounts(QString::fromStdString(CountsLine({})).trimmed());
    window_.EnableControls(false);
    worker_.Run([this] {
        SeriesLane lane{session_, {}, {}};
        if (programmer_ != nullptr) {
            lane.identity = programmer_->Identity(session_.link);
            lane.chip_done = [this](bool slowly, std::string& why) {
                return programmer_->ChipDone(session_.link, slowly, why);
            };
        } else {
            lane.identity.location = session_.link.DevicePath;
        }
        SeriesShared shared;
        shared.command = "write";
        shared.operation = &kWriteChipButton;
        shared.serials = serials_.get();
        shared.log = log_.get();
        shared.prompt = &next_chip_;
        series_outcome_ = RunSeries(lane, shared);
    });
    return true;
}

void WindowHandlers::OnFinished() {
    session_.Busy = 0;
    if (series_outcome_) {
        window_.ShowSeriesCounts(
            QString::fromStdString(CountsLine(series_outcome_->counts)).trimmed());
        serials_.reset();
        log_.reset();
        const std::string message = series_outcome_->message;
        series_outcome_.reset();
        if (!message.empty())
            QMessageBox::critical(&window_, kErrorBoxTitle, QString::fromStdString(message));
    }
    window_.EnableControls(true);
    window_.ReleaseHeldClose();
}

void WindowHandlers::OnStopped(const FatalStop& stop) {
    session_.Busy = 0;
    const int status = ReportFatalStop(stop, &window_);
    session_.link.Close();
    emit ExitRequested(status);
}

}  // namespace dspprog
