// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/qt_operator.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>
#include <type_traits>

#include "window/critical_error_dialog.h"
#include "window/main_window.h"

namespace dspprog {

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

std::optional<std::string> Choose(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return files.first().toStdString();
}

}  // namespace

QtOperator::QtOperator(MainWindow& window, CriticalErrorDialog& critical)
    : window_(window), critical_(critical) {}

template <typename Task>
auto QtOperator::OnWindowThread(Task task) -> decltype(task()) {
    using Result = decltype(task());
    if (QThread::currentThread() == thread()) return task();
    if constexpr (std::is_void_v<Result>) {
        QMetaObject::invokeMethod(this, std::move(task), Qt::BlockingQueuedConnection);
    } else {
        Result result{};
        QMetaObject::invokeMethod(this, std::move(task), Qt::BlockingQueuedConnection, &result);
        return result;
    }
}

void QtOperator::Log(const std::string& line) {
    const QString text = FromUtf8(line);
    if (QThread::currentThread() == thread()) {
        window_.AppendLine(text);
        return;
    }
    // Queued, not blocking: timed transfers must not wait for the repaint.
    // Posted calls run in the order posted, so lines keep their order, and
    // the "operation ended" notice that follows them comes after them.
    QMetaObject::invokeMethod(
        this, [this, text] { window_.AppendLine(text); }, Qt::QueuedConnection);
}

void QtOperator::ErrorBox(const std::string& text) {
    OnWindowThread([this, &text] {
        QMessageBox::critical(&window_, kErrorBoxTitle, FromUtf8(text), QMessageBox::Ok);
    });
}

bool QtOperator::OkCancelBox(const std::string& text) {
    return OnWindowThread([this, &text] {
        // Closing the box answers Cancel (its escape button).
        return QMessageBox::critical(&window_, kErrorBoxTitle, FromUtf8(text),
                                     QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    });
}

std::optional<std::string> QtOperator::ChooseImageFile(QFileDialog& dialog) {
    for (;;) {
        std::optional<std::string> chosen = Choose(dialog);
        if (!chosen) return chosen;
        const std::optional<std::string> refusal = RefuseDialogChoice(roles_, *chosen);
        if (!refusal) return chosen;
        QMessageBox::critical(&window_, kErrorBoxTitle, FromUtf8(*refusal), QMessageBox::Ok);
    }
}

std::optional<std::string> QtOperator::ChooseSaveFile() {
    if (preset_save_) return preset_save_;
    return OnWindowThread([this] { return ChooseImageFile(*window_.SaveDialog1); });
}

ImageFormat QtOperator::SaveFormat(const std::string& name) {
    if (preset_save_) return preset_format_.value_or(ImageFormatFromFileName(name));
    const std::optional<ImageFormat> chosen =
        OnWindowThread([this] { return window_.ChosenSaveFormat(); });
    return chosen.value_or(ImageFormatFromFileName(name));
}

std::optional<std::string> QtOperator::ChooseOpenFile() {
    if (preset_open_) return preset_open_;
    return OnWindowThread([this] { return ChooseImageFile(*window_.OpenDialog1); });
}

void QtOperator::Progress(std::uint32_t done, std::uint32_t total) {
    done_ = done;
    total_ = total;
    if (progress_posted_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            progress_posted_ = false;
            window_.ShowProgress(done_, total_);
        },
        Qt::QueuedConnection);
}

int QtOperator::ShowCriticalError(const std::string& message) {
    return OnWindowThread(
        [this, &message] { return critical_.ShowCriticalError(FromUtf8(message)); });
}

}  // namespace dspprog
