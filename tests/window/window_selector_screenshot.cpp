// SPDX-License-Identifier: GPL-3.0-or-later
// Makes the picture in docs/ of the window with two emulated programmers,
// drawn offscreen: the chip identified on the first, the second chosen in
// the selector above the log, and its chip identified there.
//
//   QT_QPA_PLATFORM=offscreen window_selector_screenshot TWO_PROGRAMMERS.png CATALOGUE

#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "link/clock.h"
#include "window/main_window.h"
#include "window/program.h"
#include "window_bench.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_selector_screenshot TWO_PROGRAMMERS.png CATALOGUE\n");
        return 2;
    }
    const QString picture = QString::fromLocal8Bit(argv[1]);
    bool saved = false;
    QTimer::singleShot(0, [&] {
        auto* window =
            qobject_cast<dspprog::MainWindow*>(dspprog::testing::WaitForTopLevel("Form1"));
        if (window == nullptr) return QApplication::exit(1);
        const auto identify = [window] {
            const qsizetype before = window->Memo1->toPlainText().size();
            window->GetIdent->click();
            return QTest::qWaitFor(
                [&] {
                    const QString log = window->Memo1->toPlainText();
                    return log.size() > before && log.endsWith("--- Окончание определения чипа.");
                },
                30000);
        };
        if (!identify()) return window->close(), void();
        emit window->DeviceChoice->activated(1);
        if (!identify()) return window->close(), void();
        QTest::qWait(100);  // the last repaint
        saved = window->grab().save(picture);
        window->close();
    });
    dspprog::SteadyClock clock;
    const int status =
        dspprog::RunDspprog({"dspprog", "--emulate", "AMD Am29F010,AMD Am29F040B", "--fast",
                             "--catalogue", QString::fromLocal8Bit(argv[2])},
                            clock);
    return status == 0 && saved ? 0 : 1;
}
