// SPDX-License-Identifier: GPL-3.0-or-later
// The two prompts that can end the program from inside an operation: the
// critical-error prompt of a stalled transfer, and the fatal-stop box.

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#include "window/fatal_report.h"
#include "window_bench.h"

using namespace dspprog;
using namespace dspprog::testing;

namespace {

emu::EmulatorOptions StallingReplies() {
    emu::EmulatorOptions options = BenchEmulator();
    options.faults.stall_from[static_cast<int>(emu::PipeRole::CmdIn)] = 0;
    return options;
}

bool Recorded(WindowBench& bench, const std::string& what) {
    const auto& events = bench.backend().events();
    return std::any_of(events.begin(), events.end(), [&](const auto& e) { return e.what == what; });
}

}  // namespace

class WindowFatalTest : public QObject {
    Q_OBJECT

private slots:
    void TitleBarCloseOfThePromptWaitsAgain() {
        WindowBench bench(StallingReplies());
        QSignalSpy exits(&bench.handlers, &WindowHandlers::ExitRequested);
        QString prompt_text;

        ModalScript script;
        script.Then<CriticalErrorDialog>([&](CriticalErrorDialog* d) {
            prompt_text = d->Label1->text();
            // The reply turns up while the operator looks at the prompt.
            {
                std::lock_guard lock(bench.backend().mutex());
                bench.firmware().faults().stall_from[static_cast<int>(emu::PipeRole::CmdIn)] = -1;
            }
            bench.backend().Poke();
            d->close();
        });
        QVERIFY(bench.Click(bench.window.GetIdent));

        QVERIFY(script.done());
        QVERIFY2(script.unexpected().isEmpty(), qPrintable(script.unexpected().join("; ")));
        QCOMPARE(prompt_text, QString("Из USB не считано :16 байт!"));
        QCOMPARE(bench.LogAfter(1),
                 (QStringList{"", "+++ Начало определения чипа.", QString("  ") + kBenchChipSummary,
                              "--- Окончание определения чипа."}));
        QCOMPARE(exits.count(), 0);
        // The first wait was 10 s, the second, after the prompt, 20 s at most.
        QVERIFY(bench.clock.NowMs() >= 10000);
    }

    void WaitButtonKeepsWaitingUntilTheTransferCompletes() {
        WindowBench bench(StallingReplies());
        ModalScript script;
        script.Then<CriticalErrorDialog>([](CriticalErrorDialog* d) { d->WaitB->click(); })
            .Then<CriticalErrorDialog>([&](CriticalErrorDialog* d) {
                {
                    std::lock_guard lock(bench.backend().mutex());
                    bench.firmware().faults().stall_from[static_cast<int>(emu::PipeRole::CmdIn)] =
                        -1;
                }
                d->WaitB->click();
            });
        QVERIFY(bench.Click(bench.window.GetIdent));
        QVERIFY(script.done());
        QCOMPARE(bench.Log().last(), QString("--- Окончание определения чипа."));
    }

    void FinishButtonEndsTheProgramWithoutABox() {
        WindowBench bench(StallingReplies());
        QSignalSpy exits(&bench.handlers, &WindowHandlers::ExitRequested);

        ModalScript script;
        script.Then<CriticalErrorDialog>([](CriticalErrorDialog* d) { d->CloseB->click(); });
        QVERIFY(bench.Click(bench.window.GetIdent));

        QVERIFY(script.done());
        QVERIFY2(script.unexpected().isEmpty(), qPrintable(script.unexpected().join("; ")));
        QCOMPARE(exits.count(), 1);
        QCOMPARE(exits.first().first().toInt(), kExitStopped);
        QVERIFY(kExitStopped != 0);
        // No closing line: the operation did not end, the program did.
        QCOMPARE(bench.LogAfter(1), (QStringList{"", "+++ Начало определения чипа."}));
        QVERIFY(Recorded(bench, "cancel \\PIPE00"));
        QVERIFY(Recorded(bench, "close \\PIPE00"));
        QVERIFY(Recorded(bench, "close device"));
        // The window takes no more clicks on its way out.
        QVERIFY(!bench.window.GetIdent->isEnabled());
    }

    void HaltDuringAnOperationShowsItsBoxThenEnds() {
        emu::EmulatorOptions options = BenchEmulator();
        options.faults.refuse.insert(0x83);  // the verify's read
        WindowBench bench(options);
        QTemporaryDir dir;
        const QString image = dir.filePath("image.bin");
        {
            QFile file(image);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(8192, char(0x12)));
        }
        QSignalSpy exits(&bench.handlers, &WindowHandlers::ExitRequested);
        QString box_text;
        bool link_open_during_box = false;

        QVERIFY(bench.Click(bench.window.CheckBoxNotErase));
        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, image); })
            .Then<QMessageBox>([&](QMessageBox* box) {
                box_text = box->text();
                link_open_during_box = !Recorded(bench, "close device");
                box->button(QMessageBox::Ok)->click();
            });
        QVERIFY(bench.Click(bench.window.WriteChipButton));

        QVERIFY(script.done());
        QVERIFY2(script.unexpected().isEmpty(), qPrintable(script.unexpected().join("; ")));
        QCOMPARE(box_text, QString("  Команду _BurstRead не принято!!!\n\r"
                                   "Программа будет аварийно завершена."));
        QVERIFY(link_open_during_box);
        QVERIFY(Recorded(bench, "close device"));
        QCOMPARE(exits.count(), 1);
        QCOMPARE(exits.first().first().toInt(), kExitStopped);
    }
};

QTEST_MAIN(WindowFatalTest)
#include "window_fatal_test.moc"
