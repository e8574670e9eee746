// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/job_actions.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include "base/shown_text.h"
#include "operations/write_chip.h"
#include "production/job_file.h"
#include "startup/operation_table.h"
#include "window/main_window.h"
#include "window/qt_operator.h"
#include "window/window_handlers.h"

namespace dspprog {
namespace {

// Job actions come first in the window's "Файл" menu, above its own items.
QAction* AddAction(QMenu* menu, QAction* before, const char* name, const QString& text) {
    auto* action = new QAction(text, menu);
    action->setObjectName(name);
    menu->insertAction(before, action);
    return action;
}

void ErrorBox(MainWindow& window, const std::string& text) {
    QMessageBox::critical(&window, kErrorBoxTitle, QString::fromStdString(text));
}

int LaneIndex(const ByteLane& lane) {
    if (lane.count == 2) return lane.index == 0 ? 1 : 2;
    return 0;
}

}  // namespace

JobActions::JobActions(MainWindow& window, WindowHandlers& handlers, QtOperator& op,
                       Session& session)
    : window_(window), handlers_(handlers), op_(op), session_(session) {
    title_ = window_.windowTitle();
    QMenu* menu = window_.FileMenu;
    QAction* first = menu->actions().value(0);
    open_job = AddAction(menu, first, "action_open_job", "Задание…");
    save_job = AddAction(menu, first, "action_save_job", "Сохранить задание…");
    close_job = AddAction(menu, first, "action_close_job", "Закрыть задание");
    menu->insertSeparator(first);
    close_job->setEnabled(false);

    job_dialog = new QFileDialog(&window_);
    job_dialog->setObjectName("JobDialog");
    job_dialog->setNameFilters({"Задания (*.toml)", "Все файлы (*)"});
    job_dialog->setModal(true);

    connect(open_job, &QAction::triggered, this, [this] {
        if (handlers_.running()) return;
        job_dialog->setAcceptMode(QFileDialog::AcceptOpen);
        job_dialog->setFileMode(QFileDialog::ExistingFile);
        if (job_dialog->exec() == QDialog::Accepted && !job_dialog->selectedFiles().isEmpty())
            OpenJob(job_dialog->selectedFiles().first());
    });
    connect(close_job, &QAction::triggered, this, &JobActions::CloseJob);
    connect(save_job, &QAction::triggered, this, [this] {
        if (handlers_.running()) return;
        if (session_.tChip.Name.empty()) {
            ErrorBox(window_, "Сначала определите чип: задание сохраняется для чипа в колодке.");
            return;
        }
        QFileDialog& image = *window_.OpenDialog1;
        if (image.exec() != QDialog::Accepted || image.selectedFiles().isEmpty()) return;
        job_dialog->setAcceptMode(QFileDialog::AcceptSave);
        job_dialog->setFileMode(QFileDialog::AnyFile);
        // The job refuses an existing file itself: no "replace?" question.
        job_dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
        if (job_dialog->exec() == QDialog::Accepted && !job_dialog->selectedFiles().isEmpty())
            SaveJobAs(job_dialog->selectedFiles().first(), image.selectedFiles().first());
    });
    // Each operation's end gives every control back; the job's stay locked.
    connect(&handlers_, &WindowHandlers::OperationEnded, this, &JobActions::ApplyLocks);
}

bool JobActions::OpenJob(const QString& path) {
    if (handlers_.running()) return false;
    Job job;
    std::string error;
    if (!LoadJob(path.toStdString(), job, error)) {
        ErrorBox(window_, error);
        return false;
    }
    const RunPlan& plan = job.plan;
    op_.AnswerFiles(plan.image, plan.output, plan.output_format);
    handlers_.SetJob(plan);
    // The controls show what the job does.
    window_.CheckBoxNotErase->setChecked(!plan.erase_first);
    window_.CheckBoxPad->setChecked(plan.pad);
    window_.ComboBoxLane->setCurrentIndex(LaneIndex(plan.layout.lane));
    window_.CheckBoxSwap->setChecked(plan.layout.swap);
    window_.CheckBoxNotWrite->setChecked(!plan.save_read);
    window_.CheckBoxSeries->setChecked(plan.Series());
    window_.setWindowTitle(title_ + " — задание " + QString::fromStdString(job.name));
    window_.AppendLine(QString::fromStdString("Задание \"" + ShownText(job.name) +
                                              "\": " + plan.operation->command + ", чип \"" +
                                              ShownText(plan.expected_chip->Name) + "\""));
    close_job->setEnabled(true);
    ApplyLocks();
    return true;
}

void JobActions::CloseJob() {
    if (handlers_.running()) return;
    handlers_.SetJob(std::nullopt);
    op_.AnswerFiles(std::nullopt, std::nullopt, std::nullopt);
    window_.setWindowTitle(title_);
    close_job->setEnabled(false);
    ApplyLocks();
}

bool JobActions::SaveJobAs(const QString& path, const QString& image) {
    std::string error;
    RunPlan plan = handlers_.PlanFromControls(kWriteChipButton, error);
    if (plan.operation != nullptr) {
        plan.image = image.toStdString();
        if (SaveJob(plan, session_.tChip, path.toStdString(), error)) {
            window_.AppendLine(
                QString::fromStdString("Задание для чипа \"" + ShownText(session_.tChip.Name) +
                                       "\" сохранено в \"" + ShownText(path.toStdString()) + "\""));
            return true;
        }
    }
    ErrorBox(window_, error);
    return false;
}

void JobActions::ApplyLocks() {
    const std::optional<RunPlan>& job = handlers_.job();
    const bool free = !job.has_value();
    for (QWidget* control : std::initializer_list<QWidget*>{
             window_.CheckBoxNotErase, window_.CheckBoxPad, window_.ComboBoxLane,
             window_.CheckBoxSwap, window_.CheckBoxNotWrite, window_.CheckBoxSeries,
             window_.SerialButton}) {
        control->setEnabled(free);
    }
    // Of the operations a job may hold, only the job's own button runs.
    for (const OperationRow& row : OperationRows()) {
        if (!JobOperation(row.command)) continue;
        auto* button = window_.findChild<QPushButton*>(row.button);
        if (button != nullptr) button->setEnabled(free || job->operation == &row);
    }
    save_job->setEnabled(free);
}

}  // namespace dspprog
