// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window on the emulated programmer, wired as the program wires it, with a
// simulated clock, and a way to answer the dialogs an operation brings up.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "emulator/emulated_programmer.h"
#include "link/clock.h"
#include "startup/programmer.h"
#include "support/temp_catalogue.h"
#include "window/critical_error_dialog.h"
#include "window/main_window.h"
#include "window/window_handlers.h"
#include "window/window_wiring.h"

class QAbstractButton;
class QFileDialog;

namespace dspprog::testing {

// The catalogue row of the bench's chip: 8 KB of Type 255 flash that is
// erased before it is written.
inline const CatalogueRow kBenchChipRow = {"AB05", "TEST AB05", "64K", "4", "1", "255"};
inline constexpr const char* kBenchChipSummary = "TEST AB05. Объем: 8192 байт(а).";

// The window's buttons and check boxes: every control that starts work or
// changes how it is done.
inline QList<QWidget*> Controls(const MainWindow& w) {
    return {
        w.GetIdent,         w.Read,          w.EreaseChip,     w.WriteChipButton, w.CompareButton,
        w.CheckBoxNotErase, w.CheckBoxClear, w.CheckBoxPad,    w.ComboBoxLane,    w.CheckBoxSwap,
        w.CheckBoxNotWrite, w.Button1,       w.CheckBoxSeries, w.SerialButton};
}

// Points QSettings at `dir` for the test's process, so that no test reads
// or changes the settings of the user who runs it.
struct TestSettingsPlace {
    explicit TestSettingsPlace(const std::filesystem::path& dir);
};

// AB05:8192:255 without the timing model.
emu::EmulatorOptions BenchEmulator();

class WindowBench {
public:
    // `programmers` emulated programmers, each with the chip of `options`.
    explicit WindowBench(const emu::EmulatorOptions& options = BenchEmulator(),
                         std::size_t programmers = 1);
    ~WindowBench();

    emu::Firmware& firmware() { return programmer->emulated()->firmware(); }
    emu::EmulatedBackend& backend() { return programmer->emulated()->backend(); }

    // The lines of Memo1.
    QStringList Log() const;
    // The lines appended since the log had `count` lines.
    QStringList LogAfter(qsizetype count) const;

    // Clicks as the operator would; false when the window does not take clicks
    // again within the time.
    bool Click(QAbstractButton* control, int timeout_ms = 20000);
    bool WaitIdle(int timeout_ms = 20000);

    TempCatalogue catalogue;
    TestSettingsPlace settings_place{catalogue.dir()};
    SimulatedClock clock;
    // Chosen, opened and built as the program does it.
    FileRoles files;
    std::unique_ptr<Programmer> programmer;
    WindowWiring wiring;
    MainWindow& window = wiring.window;
    WindowHandlers& handlers = wiring.handlers;
};

// Answers modal dialogs in the order given, as they appear on the window's
// thread. A dialog that appears with no step left, or of another kind than the
// next step expects, is recorded and dismissed so the test ends instead of
// hanging. Once a check of the test has failed, every modal dialog is closed
// as soon as it is seen, with a warning that names it: a step whose check
// failed returns without answering, and the test, waiting under the dialog,
// would otherwise be ended by its time-out instead of reporting the failure.
class ModalScript {
public:
    ModalScript();
    ~ModalScript();

    template <typename Dialog>
    ModalScript& Then(std::function<void(Dialog*)> act) {
        steps_.push_back({[](QWidget* w) { return qobject_cast<Dialog*>(w) != nullptr; },
                          [act](QWidget* w) { act(qobject_cast<Dialog*>(w)); }});
        return *this;
    }

    // Every step has run.
    bool done() const { return next_ == steps_.size(); }
    // Dialogs nobody expected, by class name and text.
    const QStringList& unexpected() const { return unexpected_; }

private:
    struct Step {
        std::function<bool(QWidget*)> matches;
        std::function<void(QWidget*)> act;
    };
    void Poll();
    static void Dismiss(QWidget* modal);

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    QWidget* handled_ = nullptr;  // the last dialog acted on, until it has gone
    QStringList unexpected_;
    QTimer timer_;
};

// Answers a file dialog with `path`, or fails the test (and cancels the
// dialog) when the dialog would answer with another file.
void ChooseFile(QFileDialog* dialog, const QString& path);

// The texts a dialog shows, for failure messages.
QString DescribeDialog(QWidget* dialog);

// Polls until a visible top-level widget named `name` exists; null on timeout.
QWidget* WaitForTopLevel(const QString& name, int timeout_ms = 20000);

}  // namespace dspprog::testing
