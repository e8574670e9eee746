// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operator as the window presents it. Operations call it from the worker
// thread; every call is carried out by the window's thread. Dialogs block the
// caller until the operator has answered; log lines and progress are handed
// over without waiting, and arrive in the order they were given.

#include <QObject>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "operations/operator.h"
#include "startup/file_roles.h"

class QFileDialog;

namespace dspprog {

class CriticalErrorDialog;
class MainWindow;

class QtOperator final : public QObject, public Operator {
    Q_OBJECT

public:
    // Both widgets must outlive the operator. Construct on the window's thread.
    QtOperator(MainWindow& window, CriticalErrorDialog& critical);

    void Log(const std::string& line) override;
    void ErrorBox(const std::string& text) override;
    bool OkCancelBox(const std::string& text) override;
    std::optional<std::string> ChooseSaveFile() override;
    ImageFormat SaveFormat(const std::string& name) override;
    std::optional<std::string> ChooseOpenFile() override;
    void Progress(std::uint32_t done, std::uint32_t total) override;
    int ShowCriticalError(const std::string& message) override;

    // The files a dialog answer may not name (the emulated chip's file, the
    // wire log): such an answer gets an error box and the dialog again.
    void GuardFiles(FileRoles roles) { roles_ = std::move(roles); }

    // A job's files: the open and save dialogs are answered with them, not
    // shown, and the saved form is the job's (nothing: the name's); all
    // nothing: the dialogs are shown again. Set while no operation runs.
    void AnswerFiles(std::optional<std::string> open, std::optional<std::string> save,
                     std::optional<ImageFormat> save_format) {
        preset_open_ = std::move(open);
        preset_save_ = std::move(save);
        preset_format_ = save_format;
    }

private:
    // Shows `dialog` until the operator cancels it or picks a file no other
    // part of the program uses. On the window's thread.
    std::optional<std::string> ChooseImageFile(QFileDialog& dialog);

    // Runs `task` on the window's thread and returns its result; at once when
    // already there.
    template <typename Task>
    auto OnWindowThread(Task task) -> decltype(task());

    MainWindow& window_;
    CriticalErrorDialog& critical_;
    FileRoles roles_;
    std::optional<std::string> preset_open_;
    std::optional<std::string> preset_save_;
    std::optional<ImageFormat> preset_format_;

    // Progress is pulled: the worker only updates these, and asks the window to
    // look at them when it is not already about to.
    std::atomic<std::uint32_t> done_{0};
    std::atomic<std::uint32_t> total_{0};
    std::atomic<bool> progress_posted_{false};
};

// The title of the program's error boxes.
inline constexpr const char* kErrorBoxTitle = "Ошибка";

}  // namespace dspprog
