// SPDX-License-Identifier: GPL-3.0-or-later
// The program from its command line to its exit status: start-up before the
// window, the end after a fatal stop, and the options of the emulated demo.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "link/discovery.h"
#include "support/list_enumerator.h"
#include "window/critical_error_dialog.h"
#include "window/fatal_report.h"
#include "window/main_window.h"
#include "window/program.h"
#include "window/window_options.h"
#include "window_bench.h"

using namespace dspprog;
using namespace dspprog::testing;

namespace {

class NoDevice final : public LinkBackend {
public:
    std::unique_ptr<Device> OpenDevice(const std::string&) override { return nullptr; }
    std::unique_ptr<Pipe> OpenPipe(Device&, const std::string&, Access) override { return nullptr; }
};

// Runs `act` on the window once it is on screen. A check that fails in `act`
// returns before the window is closed: it is closed here, or the program would
// run on until the test's time-out.
void WhenWindowShows(std::function<void(MainWindow*)> act) {
    QTimer::singleShot(0, [act] {
        auto* window = qobject_cast<MainWindow*>(WaitForTopLevel("Form1"));
        QVERIFY(window != nullptr);
        act(window);
        if (QTest::currentTestFailed()) window->close();
    });
}

bool WaitForLine(MainWindow* window, const QString& line) {
    return QTest::qWaitFor([&] { return window->Memo1->toPlainText().split('\n').contains(line); },
                           20000);
}

OptionsVerdict Parse(const QStringList& args, StartOptions& options, QString& text) {
    return ParseWindowOptions(QStringList{"dspprog"} + args, options, text);
}

}  // namespace

class WindowProgramTest : public QObject {
    Q_OBJECT

private slots:
    void NoProgrammerStopsBeforeTheWindowShows() {
        ListEnumerator nothing;
        NoDevice backend;
        SimulatedClock clock;
        TempCatalogue catalogue;
        QString text;
        bool window_visible = true;

        ModalScript script;
        script.Then<QMessageBox>([&](QMessageBox* box) {
            text = box->text();
            window_visible = WaitForTopLevel("Form1", 0) != nullptr;
            box->button(QMessageBox::Ok)->click();
        });
        const int status = RunWindow(nothing, backend, clock, FileRoles{catalogue.path()});

        QVERIFY(script.done());
        QCOMPARE(text, QString("Не удалось получить доступ к устройству!\n\r"
                               "Программа будет аварийно завершена."));
        QVERIFY(!window_visible);
        QCOMPARE(status, kExitStopped);
    }

    void FinishingAtThePromptEndsTheRunWithFailure() {
        TempCatalogue catalogue;
        catalogue.Write({kBenchChipRow});
        SimulatedClock clock;

        ModalScript script;
        script.Then<CriticalErrorDialog>([](CriticalErrorDialog* d) { d->CloseB->click(); });
        WhenWindowShows([](MainWindow* window) { window->GetIdent->click(); });
        const int status =
            RunDspprog({"dspprog", "--emulate", "AB05:8192:255", "--fast", "--fault", "stall:CmdIn",
                        "--catalogue", QString::fromStdString(catalogue.path())},
                       clock);

        QVERIFY(script.done());
        QVERIFY2(script.unexpected().isEmpty(), qPrintable(script.unexpected().join("; ")));
        QCOMPARE(status, kExitStopped);
    }

    void ClosingTheWindowEndsTheRunWithSuccess() {
        TempCatalogue catalogue;
        catalogue.Write({kBenchChipRow});
        SimulatedClock clock;
        const QString wire_log = QString::fromStdString((catalogue.dir() / "wire.log").string());

        bool read_done = false;
        QSize icon;
        WhenWindowShows([&](MainWindow* window) {
            icon = window->windowIcon().actualSize(QSize(256, 256));
            window->Read->click();
            read_done = WaitForLine(window, "--- Окончание чтения чипа.");
            window->close();
        });
        const int status =
            RunDspprog({"dspprog", "--emulate", "AB05:8192:255", "--fast", "--catalogue",
                        QString::fromStdString(catalogue.path()), "--wire-log", wire_log},
                       clock);

        QVERIFY(read_done);
        QCOMPARE(status, kExitSucceeded);
        QCOMPARE(icon, QSize(256, 256));  // the application's icon
    }

    void OneFileForTwoPartsIsRefusedBeforeTheWindowShows() {
        TempCatalogue catalogue;
        catalogue.Write({kBenchChipRow});
        const QString db = QString::fromStdString(catalogue.path());
        const QString chip = QString::fromStdString((catalogue.dir() / "chip.bin").string());
        const QList<QStringList> clashes = {
            {"--chip-file", chip, "--wire-log", chip},
            {"--wire-log", db},
            {"--chip-file", db},
        };
        for (const QStringList& clash : clashes) {
            SimulatedClock clock;
            const int status = RunDspprog(
                QStringList{"dspprog", "--emulate", "AB05:8192:255", "--catalogue", db} + clash,
                clock);
            QVERIFY2(status == kExitUsage, qPrintable(clash.join(' ')));
            QVERIFY(!QFile::exists(chip));
        }
        // The catalogue was not the wire log's to overwrite.
        const auto table = MakeChipTable(catalogue.path());
        QVERIFY(table->Open());
        table->Close();
    }

    void DialogsRefuseTheChipFileAndTheWireLog() {
        TempCatalogue catalogue;
        catalogue.Write({kBenchChipRow});
        SimulatedClock clock;
        const auto path = [&](const char* name) {
            // As Qt spells it, with forward slashes on Windows too.
            return QDir::fromNativeSeparators(
                QString::fromStdString((catalogue.dir() / name).string()));
        };
        const QString chip = path("chip.bin"), wire = path("wire.log");
        QByteArray content(8192, char(0x5A));
        {
            QFile file(chip);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        }
        QStringList boxes;
        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, chip); })
            .Then<QMessageBox>([&](QMessageBox* box) {
                boxes << box->text();
                box->button(QMessageBox::Ok)->click();
            })
            .Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, wire); })
            .Then<QMessageBox>([&](QMessageBox* box) {
                boxes << box->text();
                box->button(QMessageBox::Ok)->click();
            })
            .Then<QFileDialog>([](QFileDialog* d) { d->reject(); });
        bool cancelled = false;
        WhenWindowShows([&](MainWindow* window) {
            window->WriteChipButton->click();
            cancelled = WaitForLine(window, "  Операция записи отменена пользователем!");
            window->close();
        });
        const int status = RunDspprog({"dspprog", "--emulate", "AB05:8192:255", "--fast",
                                       "--chip-file", chip, "--wire-log", wire, "--catalogue",
                                       QString::fromStdString(catalogue.path())},
                                      clock);

        QVERIFY(script.done());
        QVERIFY2(script.unexpected().isEmpty(), qPrintable(script.unexpected().join("; ")));
        QVERIFY(cancelled);
        QCOMPARE(status, kExitSucceeded);
        QCOMPARE(boxes.size(), 2);
        QVERIFY(boxes[0].contains(chip) && boxes[0].contains("--chip-file"));
        QVERIFY(boxes[1].contains(wire) && boxes[1].contains("--wire-log"));
        QFile file(chip);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
        // Nothing but the identification went to the programmer.
        QFile log(wire);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll().count('\n'), 2);
    }

    void EmulatorOptionsReachTheProgrammer() {
        StartOptions options;
        QString text;
        QCOMPARE(Parse({"--emulate", "AB05:8192:255", "--fast", "--fault", "refuse:83", "--fault",
                        "stall:MainIn@1", "--ident", "0102030405060708090A0B0C0D0E0F",
                        "--chip-file", "chip.bin", "--catalogue", "other.db"},
                       options, text),
                 OptionsVerdict::Run);
        QVERIFY(options.emulate);
        const emu::EmulatorOptions& e = options.emulator;
        QCOMPARE(e.chip, std::string("AB05:8192:255"));
        QVERIFY(e.fast);
        QVERIFY(e.faults.refuse.count(0x83) == 1);
        QCOMPARE(e.faults.stall_from[static_cast<int>(emu::PipeRole::MainIn)], 1L);
        QVERIFY(e.ident.has_value());
        QCOMPARE(int((*e.ident)[0]), 0x01);
        QCOMPARE(int((*e.ident)[14]), 0x0F);
        QCOMPARE(e.chip_file.value_or(""), std::string("chip.bin"));
        QCOMPARE(options.catalogue.value_or(""), std::string("other.db"));
    }

    void WithoutOptionsTheHardwareAndChipsDbAreUsed() {
        StartOptions options;
        QString text;
        QCOMPARE(Parse({}, options, text), OptionsVerdict::Run);
        QVERIFY(!options.emulate);
        QVERIFY(!options.catalogue.has_value());
        QVERIFY(!options.usb);
    }

    void RejectsCommandLinesThatCannotRun() {
        const QList<QStringList> bad = {
            {"--fast"},                // emulator option without --emulate
            {"--fault", "refuse:83"},  //
            {"--emulate", "AB05:8192:255", "--usb", "libusb"},
            {"--emulate", "AB05:8192:255", "--fault", "jam:CmdIn"},
            {"--emulate", "AB05:8192:255", "--ident", "0102"},
            {"stray"},
            {"--no-such-option"},
        };
        for (const QStringList& args : bad) {
            StartOptions options;
            QString text;
            QVERIFY2(Parse(args, options, text) == OptionsVerdict::Error,
                     qPrintable(args.join(' ')));
            QVERIFY2(!text.isEmpty(), qPrintable(args.join(' ')));
        }
    }

    void BinaryReportsUnusableCommandLinesOnStandardError() {
        TempCatalogue catalogue;
        catalogue.Write({kBenchChipRow});
        QProcess process;
        process.start(DSPPROG_BINARY, {"--emulate", "NO SUCH CHIP", "--catalogue",
                                       QString::fromStdString(catalogue.path())});
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), kExitUsage);
        const QByteArray error = process.readAllStandardError();
        QVERIFY2(error.contains("dspprog: ") && error.contains("chip 'NO SUCH CHIP'"),
                 error.constData());

        process.start(DSPPROG_BINARY, {"--help"});
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), kExitSucceeded);
        QVERIFY(process.readAllStandardOutput().contains("--emulate"));
    }
};

QTEST_MAIN(WindowProgramTest)
#include "window_program_test.moc"
