// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_bench.h"

#include <QSettings>

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>
#include <stdexcept>

#include "startup/run_files.h"

namespace dspprog::testing {

namespace {

StartOptions Emulating(const emu::EmulatorOptions& options, const TempCatalogue& catalogue,
                       std::size_t programmers = 1) {
    StartOptions start;
    start.catalogue = catalogue.path();
    start.emulate = true;
    start.emulator = options;
    start.emulated_chips.assign(programmers, options.chip);
    return start;
}

// The bench's catalogue written, then the run's files chosen as the program chooses them.
FileRoles BenchFiles(const StartOptions& start, const TempCatalogue& catalogue) {
    catalogue.Write({kBenchChipRow});
    RunFiles files;
    std::string error;
    if (!ChooseRunFiles(start, CatalogueEnvironment{}, FileRoles{}, files, error))
        throw std::runtime_error(error);
    return files.roles;
}

std::unique_ptr<Programmer> OpenProgrammer(const StartOptions& start, const FileRoles& files,
                                           Clock& clock) {
    std::string error;
    auto programmer = Programmer::Open(start, files.catalogue, clock, error);
    if (!programmer) throw std::runtime_error(error);
    return programmer;
}

}  // namespace

emu::EmulatorOptions BenchEmulator() {
    emu::EmulatorOptions options;
    options.chip = "AB05:8192:255";
    options.fast = true;
    return options;
}

TestSettingsPlace::TestSettingsPlace(const std::filesystem::path& dir) {
    const QString path = QString::fromStdString((dir / "settings").string());
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, path);
        QSettings::setPath(format, QSettings::SystemScope, path);
    }
}

WindowBench::WindowBench(const emu::EmulatorOptions& options, std::size_t programmers)
    : files(BenchFiles(Emulating(options, catalogue), catalogue)),
      programmer(OpenProgrammer(Emulating(options, catalogue, programmers), files, clock)),
      wiring(programmer->backend(), clock, files) {
    programmer->Connect(wiring.link);
    handlers.SetProgrammer(programmer.get());
    firmware().ClearWire();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) throw std::runtime_error("window not exposed");
}

WindowBench::~WindowBench() {
    // The worker may still be on its way back; its thread is joined by the
    // handlers after this.
    WaitIdle(5000);
}

QStringList WindowBench::Log() const {
    return window.Memo1->toPlainText().split('\n');
}

QStringList WindowBench::LogAfter(qsizetype count) const {
    return Log().mid(count);
}

bool WindowBench::Click(QAbstractButton* control, int timeout_ms) {
    // A check box reacts to clicks on its box, not on the middle of its row.
    const QPoint at = qobject_cast<QCheckBox*>(control) != nullptr
                          ? QPoint(8, control->height() / 2)
                          : control->rect().center();
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, at);
    return WaitIdle(timeout_ms);
}

bool WindowBench::WaitIdle(int timeout_ms) {
    return QTest::qWaitFor([this] { return !handlers.running(); }, timeout_ms);
}

ModalScript::ModalScript() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
}

ModalScript::~ModalScript() {
    timer_.stop();
}

void ModalScript::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    if (QTest::currentTestFailed()) {
        qWarning("closed after a failed check: %s", qPrintable(DescribeDialog(modal)));
        Dismiss(modal);
        return;
    }
    if (modal == handled_) return;
    // The same dialog may come back (the open dialog of a write, the critical
    // prompt); it counts as new once it has finished.
    handled_ = modal;
    auto forget = [this, modal] {
        if (handled_ == modal) handled_ = nullptr;
    };
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        QObject::connect(dialog, &QDialog::finished, &timer_, forget, Qt::SingleShotConnection);
    QObject::connect(modal, &QObject::destroyed, &timer_, forget, Qt::SingleShotConnection);
    if (next_ < steps_.size() && steps_[next_].matches(modal)) {
        steps_[next_++].act(modal);
        return;
    }
    unexpected_ << DescribeDialog(modal);
    Dismiss(modal);
}

void ModalScript::Dismiss(QWidget* modal) {
    if (auto* critical = qobject_cast<CriticalErrorDialog*>(modal)) {
        critical->done(CriticalPrompt::kAbort);
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
    } else {
        modal->close();
    }
}

void ChooseFile(QFileDialog* dialog, const QString& path) {
    // Typed into the name field, as an operator would: selectFile() leaves the
    // field alone while it has the focus.
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    auto* list = dialog->findChild<QListView*>("listView");
    if (name == nullptr || list == nullptr)
        throw std::runtime_error("the file dialog has no name field or no file list");
    // A file still selected in the list from an earlier answer wins over the
    // typed name. Typing deselects it only while the name field has the focus,
    // and a dialog shown again gets the focus when its window is activated,
    // which may come after this answer: without the clear, the dialog
    // sometimes answers with the earlier file.
    list->selectionModel()->clear();
    name->setText(path);
    const QStringList answer = dialog->selectedFiles();
    if (answer != QStringList{path}) {
        dialog->reject();
        QFAIL(qPrintable("the file dialog would answer " + answer.join(", ") + " for " + path));
    }
    // Through QDialog, where accept() is public; QFileDialog's own runs.
    static_cast<QDialog*>(dialog)->accept();
}

QString DescribeDialog(QWidget* dialog) {
    QString text = dialog->metaObject()->className();
    if (!dialog->objectName().isEmpty()) text += " " + dialog->objectName();
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) text += ": " + box->text();
    if (auto* critical = qobject_cast<CriticalErrorDialog*>(dialog))
        text += ": " + critical->Label1->text();
    return text;
}

QWidget* WaitForTopLevel(const QString& name, int timeout_ms) {
    QWidget* found = nullptr;
    (void)QTest::qWaitFor(
        [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() == name && w->isVisible()) found = w;
            }
            return found != nullptr;
        },
        timeout_ms);
    return found;
}

}  // namespace dspprog::testing
