// SPDX-License-Identifier: GPL-3.0-or-later
// Each button of the window against the emulated programmer: the operation's
// log lines, the dialogs it asks for, and the interlock that keeps a second
// operation from starting while one runs.

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "production/job_file.h"
#include "startup/operation_table.h"
#include "window_bench.h"

using namespace dspprog;
using namespace dspprog::testing;

namespace {

const QString kChipLine = QString("  Чип определен: ") + kBenchChipSummary;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The first `shown` interfaces of `base`: programmers plugged in one by one.
class FirstOf final : public InterfaceEnumerator {
public:
    FirstOf(InterfaceEnumerator& base, std::uint32_t count) : shown(count), base_(base) {}
    bool Begin(const std::string& c) override { return base_.Begin(c); }
    bool Exists(std::uint32_t i) override { return i < shown && base_.Exists(i); }
    std::uint32_t DetailSize(std::uint32_t i) override { return base_.DetailSize(i); }
    std::optional<std::string> ReadPath(std::uint32_t i) override { return base_.ReadPath(i); }
    std::string Manufacturer(std::uint32_t i) override { return base_.Manufacturer(i); }
    DeviceFacts Facts(std::uint32_t i) override { return base_.Facts(i); }
    void End() override { base_.End(); }

    std::uint32_t shown;

private:
    InterfaceEnumerator& base_;
};

// Stands for the platform's word on plugs: the test calls `changed`.
struct ToldPlugs final : PlugNotifier {
    bool Start(std::function<void()> call) override {
        changed = std::move(call);
        return true;
    }
    void Stop() override { changed = nullptr; }
    std::function<void()> changed;
};

// A chip file of 8 KB whose first byte is 0x00 and the rest 0xFF.
QString FirstByteZeroChip(const QTemporaryDir& dir, const QString& name = "chip.bin") {
    QByteArray content(8192, char(0xFF));
    content[0] = 0;
    const QString path = dir.filePath(name);
    WriteAll(path, content);
    return path;
}

}  // namespace

class WindowOperationsTest : public QObject {
    Q_OBJECT

private slots:
    void APlugNoticeRefreshesTheSelectorBeforeThePollAndEndsWithIt() {
        WindowBench two(BenchEmulator(), 2);
        FirstOf plugged(two.programmer->enumerator(), 1);
        ToldPlugs notifier;
        two.wiring.ChooseAmong(plugged, &notifier);
        QCOMPARE(two.window.DeviceChoice->count(), 1);

        plugged.shown = 2;
        QVERIFY(notifier.changed);
        notifier.changed();
        QTRY_COMPARE_WITH_TIMEOUT(two.window.DeviceChoice->count(), 2, DeviceSelector::kPollMs / 2);
        // Gone with the selector: a later word would reach a dead window.
        two.wiring.selector.reset();
        QVERIFY(!notifier.changed);
    }

    void TheSelectorShowsSeveralProgrammersAndMovesTheLinkToTheChosenOne() {
        WindowBench one;
        one.wiring.ChooseAmong(one.programmer->enumerator());
        QVERIFY(!one.window.DeviceChoice->isVisible());

        WindowBench two(BenchEmulator(), 2);
        two.wiring.ChooseAmong(two.programmer->enumerator());
        QComboBox* choice = two.window.DeviceChoice;
        QVERIFY(choice->isVisible());
        QCOMPARE(choice->count(), 2);
        QCOMPARE(choice->itemText(1), QString("EMU2  (emu-2)"));
        QCOMPARE(choice->currentIndex(), 0);

        emit choice->activated(1);
        QCOMPARE(two.wiring.link.DevicePath, emu::EmulatedPath(2));
        QCOMPARE(choice->currentIndex(), 1);
        QVERIFY(two.Click(two.window.GetIdent));
        QVERIFY(two.programmer->emulated(0)->firmware().wire().empty());
        QVERIFY(!two.programmer->emulated(1)->firmware().wire().empty());
    }

    void IdentifyLogsTheChip() {
        WindowBench bench;
        QVERIFY(bench.Click(bench.window.GetIdent));
        QCOMPARE(
            bench.Log(),
            (QStringList{"Отладочная и диалоговая информация: ", "", "+++ Начало определения чипа.",
                         QString("  ") + kBenchChipSummary, "--- Окончание определения чипа."}));
    }

    void ReadWithoutSavingLogsChecksumAndTime() {
        QTemporaryDir dir;
        emu::EmulatorOptions options = BenchEmulator();
        options.chip_file = FirstByteZeroChip(dir).toStdString();
        WindowBench bench(options);

        QVERIFY(bench.Click(bench.window.Read));
        QCOMPARE(bench.LogAfter(1),
                 (QStringList{"", "+++ Начало чтения чипа.", kChipLine, "  Производится чтение.",
                              "  Чип считан за: 0 миллисекунд.", "  Контрольная сумма:EF01h.",
                              "--- Окончание чтения чипа."}));
        // Blocks done of total for the read's data phase.
        QCOMPARE(bench.window.Progress->maximum(), 2);
        QCOMPARE(bench.window.Progress->value(), 2);
    }

    void ReadTwiceCheckBoxReadsTheChipTwice() {
        emu::EmulatorOptions options = BenchEmulator();
        options.faults.flaky[0x10] = 0x04;
        WindowBench bench(options);
        QVERIFY(bench.Click(bench.window.CheckBoxReadTwice));
        QVERIFY(bench.Click(bench.window.Read));
        QCOMPARE(bench.LogAfter(1).value(4), "  Прочитано 2 раз, чтения не совпали в 1 байт(ах)!");
        QCOMPARE(bench.window.Progress->maximum(), 4);  // the blocks of both passes
    }

    void ReadSavesIntoTheFileChosenInTheSaveDialog_data() {
        QTest::addColumn<QString>("chip_name");
        QTest::addColumn<QString>("image_name");
        QTest::newRow("latin") << "chip.bin"
                               << "image.bin";
        // Names beyond the ANSI code page, which Windows takes only as UTF-16.
        QTest::newRow("cyrillic") << "чип.bin"
                                  << "образ чипа.bin";
    }

    void ReadSavesIntoTheFileChosenInTheSaveDialog() {
        QFETCH(QString, chip_name);
        QFETCH(QString, image_name);
        QTemporaryDir dir;
        emu::EmulatorOptions options = BenchEmulator();
        options.chip_file = FirstByteZeroChip(dir, chip_name).toStdString();
        WindowBench bench(options);
        const QString image = dir.filePath(image_name);

        QVERIFY(bench.Click(bench.window.CheckBoxNotWrite));
        QVERIFY(!bench.window.CheckBoxNotWrite->isChecked());
        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* d) {
            QCOMPARE(d, bench.window.SaveDialog1);
            ChooseFile(d, image);
        });
        QVERIFY(bench.Click(bench.window.Read));

        QVERIFY(script.done());
        QVERIFY2(script.unexpected().isEmpty(), qPrintable(script.unexpected().join("; ")));
        QCOMPARE(bench.LogAfter(1),
                 (QStringList{"", "+++ Начало чтения чипа.", kChipLine, "  Производится чтение.",
                              "  Чип считан за: 0 миллисекунд.", "  Контрольная сумма:EF01h.",
                              "  Содержимое сохранено в файле: \"" + image + "\".",
                              "--- Окончание чтения чипа."}));
        QByteArray expected(8192, char(0xFF));
        expected[0] = 0;
        QCOMPARE(ReadAll(image), expected);
    }

    void SecondClickWhileADialogIsOpenDoesNothing() {
        WindowBench bench;
        QVERIFY(bench.Click(bench.window.CheckBoxNotWrite));
        const QStringList before = bench.Log();
        QStringList while_open;
        std::size_t wire_while_open = 0;

        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* d) {
            for (QWidget* control : Controls(bench.window))
                QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
            for (QWidget* control : Controls(bench.window))
                QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
            // A click that reached a handler anyway.
            for (const OperationRow& row : OperationRows()) bench.handlers.Start(row.operation);
            QTest::qWait(50);
            while_open = bench.Log();
            wire_while_open = bench.firmware().wire().size();
            d->reject();
        });
        QVERIFY(bench.Click(bench.window.Read));

        QVERIFY(script.done());
        QVERIFY2(script.unexpected().isEmpty(), qPrintable(script.unexpected().join("; ")));
        // Only the read's own lines up to its dialog; the identification's two
        // blocks the only traffic.
        QCOMPARE(while_open, before + QStringList({"", "+++ Начало чтения чипа."}));
        QCOMPARE(wire_while_open, std::size_t{2});
        QCOMPARE(
            bench.LogAfter(before.size()),
            (QStringList{"", "+++ Начало чтения чипа.", "  Операция чтения отменена пользователем!",
                         "", "--- Окончание чтения чипа."}));
        for (QWidget* control : Controls(bench.window))
            QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
    }

    void EraseLogsTheBlankCheck() {
        QTemporaryDir dir;
        emu::EmulatorOptions options = BenchEmulator();
        options.chip_file = FirstByteZeroChip(dir).toStdString();
        WindowBench bench(options);

        QVERIFY(bench.Click(bench.window.EreaseChip));
        QCOMPARE(bench.LogAfter(1),
                 (QStringList{"", "+++ Начало стирания чипа.", kChipLine, "  Производится стирание",
                              "  Чип может потребовать выдержку до 10 секунд.",
                              "  Процедура стирания окончена. Проверяется чистота стирания.",
                              "  Чип стерт успешно", "--- Окончание стирания чипа."}));
        QCOMPARE(bench.firmware().chip().content(), std::vector<std::uint8_t>(8192, 0xFF));
    }

    void WriteErasesFirstThenWritesAndVerifies() {
        QTemporaryDir dir;
        emu::EmulatorOptions options = BenchEmulator();
        options.chip_file = FirstByteZeroChip(dir).toStdString();
        WindowBench bench(options);
        QByteArray image(8192, 0);
        for (int i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 7);
        const QString path = dir.filePath("image.bin");
        QVERIFY(WriteAll(path, image));

        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* d) {
            QCOMPARE(d, bench.window.OpenDialog1);
            ChooseFile(d, path);
        });
        QVERIFY(bench.Click(bench.window.WriteChipButton));

        QVERIFY(script.done());
        QVERIFY2(script.unexpected().isEmpty(), qPrintable(script.unexpected().join("; ")));
        QCOMPARE(bench.LogAfter(1),
                 (QStringList{"", "+++ Начало записи чипа.", kChipLine, "  Чип требует стирание.",
                              "", "+++ Начало стирания чипа.", kChipLine, "  Производится стирание",
                              "  Чип может потребовать выдержку до 10 секунд.",
                              "  Процедура стирания окончена. Проверяется чистота стирания.",
                              "  Чип стерт успешно", "  Чип записывается подождите...",
                              "  Чип записан за: 0 секунд.", "  Проверяется правильность записи.",
                              "  Чип записан без ошибок.", "--- Окончание записи чипа."}));
        const auto& chip = bench.firmware().chip().content();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(chip.data()), qsizetype(chip.size())),
                 image);
    }

    // "Серия": the write goes on with "Далее" until "Закончить", each chip
    // with its own number, and the counts under the progress bar. The series
    // writes what a single write would: the lane of the swapped 16-bit image,
    // the number laid over it last.
    void SeriesWritesChipAfterChipUntilFinished() {
        QTemporaryDir dir;
        emu::EmulatorOptions options = BenchEmulator();
        options.chip_file = dir.filePath("chip-%d.bin").toStdString();
        WindowBench bench(options);
        const QString path = dir.filePath("image.bin");
        QByteArray image(2 * 8192, 0);  // word i is (i, ~i)
        for (int i = 0; i < 8192; ++i) {
            image[2 * i] = char(i);
            image[2 * i + 1] = char(~i);
        }
        QVERIFY(WriteAll(path, image));
        bench.window.ComboBoxLane->setCurrentIndex(1);  // "Чётные байты"
        QVERIFY(bench.Click(bench.window.CheckBoxSwap));
        WindowSeriesSetup setup;
        setup.numbered = true;
        setup.numbering = "0x10:7:1:1:le";
        setup.log_file = dir.filePath("log.jsonl");
        bench.handlers.SetSeriesSetup(setup);
        bench.window.CheckBoxSeries->setChecked(true);

        const auto press = [](const char* name) {
            return [name](QMessageBox* box) {
                QCOMPARE(box->text(), QString("Вставьте следующий чип"));
                box->findChild<QPushButton*>(name)->click();
            };
        };
        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, path); })
            .Then<QMessageBox>(press("NextChip"))
            .Then<QMessageBox>(press("EndSeries"));
        QVERIFY(bench.Click(bench.window.WriteChipButton));

        QVERIFY(script.done());
        QVERIFY2(script.unexpected().isEmpty(), qPrintable(script.unexpected().join("; ")));
        QCOMPARE(bench.Log().last(), QString("  Годных: 2, брак: 0"));
        QCOMPARE(bench.window.SeriesCounts->text(), QString("Годных: 2, брак: 0"));
        for (int chip = 1; chip <= 2; ++chip) {
            QFile file(dir.filePath(QString("chip-%1.bin").arg(chip)));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray written = file.readAll();
            QCOMPARE(written.size(), 8192);
            QCOMPARE(int(written.at(0x10)), 6 + chip);
            for (int i : {0, 0x11, 4095, 8191}) QCOMPARE(int(written.at(i)), int(char(~i)));
        }
        QFile log(setup.log_file);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll().count('\n'), 2);
    }

    // The dialog's database reaches the run: a server that is not there is
    // said before the series starts, and the programmer hears nothing.
    void SeriesDatabaseIsOpenedBeforeAnyChip() {
        WindowBench bench;
        QTemporaryDir dir;
        WindowSeriesSetup setup;
        setup.numbered = true;
        setup.serial_db = "postgresql:///db?host=" + dir.filePath("none") + "&connect_timeout=1";
        bench.handlers.SetSeriesSetup(setup);
        bench.window.CheckBoxSeries->setChecked(true);
        const std::size_t blocks = bench.firmware().wire().size();

        QString box_text;
        ModalScript script;
        script.Then<QMessageBox>([&](QMessageBox* box) {
            box_text = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        QVERIFY(bench.Click(bench.window.WriteChipButton));
        QVERIFY(script.done());
        QVERIFY2(box_text.startsWith("Сервер базы данных недоступен: "), qPrintable(box_text));
        QCOMPARE(bench.firmware().wire().size(), blocks);
    }

    void NotEraseCheckBoxReachesTheWrite() {
        WindowBench bench;
        QTemporaryDir dir;
        const QString path = dir.filePath("image.bin");
        QVERIFY(WriteAll(path, QByteArray(8192, char(0x55))));

        QVERIFY(bench.Click(bench.window.CheckBoxNotErase));
        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, path); });
        QVERIFY(bench.Click(bench.window.WriteChipButton));

        QVERIFY(script.done());
        QCOMPARE(bench.LogAfter(1),
                 (QStringList{"", "+++ Начало записи чипа.", kChipLine,
                              "  Чип записывается подождите...", "  Чип записан за: 0 секунд.",
                              "  Проверяется правильность записи.", "  Чип записан без ошибок.",
                              "--- Окончание записи чипа."}));
    }

    void LaneAndSwapReachTheWriteAndTheComparison() {
        WindowBench bench;
        QTemporaryDir dir;
        // A 16-bit image twice the chip: word i is (i, ~i).
        QByteArray image(2 * 8192, 0);
        for (int i = 0; i < 8192; ++i) {
            image[2 * i] = char(i);
            image[2 * i + 1] = char(~i);
        }
        const QString path = dir.filePath("board.bin");
        QVERIFY(WriteAll(path, image));
        bench.window.ComboBoxLane->setCurrentIndex(1);  // "Чётные байты"
        QVERIFY(bench.Click(bench.window.CheckBoxSwap));
        {
            ModalScript script;
            script.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, path); });
            QVERIFY(bench.Click(bench.window.WriteChipButton));
            QVERIFY(script.done());
        }
        QCOMPARE(bench.Log().at(bench.Log().size() - 2), QString("  Чип записан без ошибок."));
        // Swapped, the even bytes are the odd ones of the file.
        const auto& chip = bench.firmware().chip().content();
        for (int i : {0, 1, 4095, 8191}) QCOMPARE(int(chip[i]), int(std::uint8_t(~i)));

        bench.window.ComboBoxLane->setCurrentIndex(2);  // the other lane differs
        ModalScript compare;
        compare.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, path); });
        QVERIFY(bench.Click(bench.window.CompareButton));
        QVERIFY(compare.done());
        QVERIFY(bench.Log().join('\n').contains("  Чип имеет: 8192 ошибок(у/и)"));
    }

    void CompareLogsTheDifferingAddresses() {
        QTemporaryDir dir;
        emu::EmulatorOptions options = BenchEmulator();
        options.chip_file = FirstByteZeroChip(dir).toStdString();
        WindowBench bench(options);
        const QString path = dir.filePath("blank.bin");
        QVERIFY(WriteAll(path, QByteArray(8192, char(0xFF))));

        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* d) {
            QCOMPARE(d, bench.window.OpenDialog1);
            ChooseFile(d, path);
        });
        QVERIFY(bench.Click(bench.window.CompareButton));

        QVERIFY(script.done());
        QCOMPARE(bench.LogAfter(1),
                 (QStringList{"", "+++ Начало сравнения чипа с файлом.", kChipLine,
                              "  Производится сравнение.", "  Чип имеет: 1 ошибок(у/и)",
                              "  Адрес 0x000000: в чипе 0x00, в файле 0xFF",
                              "--- Окончание сравнения чипа с файлом."}));
    }

    void SaveDialogFilterChoosesTheFormAndPadReachesTheWrite() {
        QTemporaryDir dir;
        emu::EmulatorOptions options = BenchEmulator();
        options.chip_file = FirstByteZeroChip(dir).toStdString();
        WindowBench bench(options);
        const QString saved = dir.filePath("dump.bin");

        QVERIFY(bench.Click(bench.window.CheckBoxNotWrite));
        {
            ModalScript script;
            script.Then<QFileDialog>([&](QFileDialog* d) {
                d->selectNameFilter(d->nameFilters().filter("Intel HEX").first());
                ChooseFile(d, saved);
            });
            QVERIFY(bench.Click(bench.window.Read));
            QVERIFY(script.done());
        }
        QCOMPARE(bench.Log().at(bench.Log().size() - 2),
                 "  Содержимое сохранено в файле: \"" + saved + "\" (Intel HEX).");
        QVERIFY(ReadAll(saved).startsWith(":10000000"));

        // A short raw image: refused by size, unless the pad check box is set.
        const QString part = dir.filePath("part.bin");
        QVERIFY(WriteAll(part, QByteArray(100, char(0x00))));
        QVERIFY(bench.Click(bench.window.CheckBoxPad));
        QVERIFY(bench.Click(bench.window.CheckBoxNotErase));
        ModalScript write;
        write.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, part); });
        QVERIFY(bench.Click(bench.window.WriteChipButton));
        QVERIFY(write.done());
        QVERIFY2(write.unexpected().isEmpty(), qPrintable(write.unexpected().join("; ")));
        QCOMPARE(bench.Log().at(bench.Log().size() - 2), QString("  Чип записан без ошибок."));
        const auto& chip = bench.firmware().chip().content();
        QCOMPARE(int(chip[99]), 0x00);
        QCOMPARE(int(chip[100]), 0xFF);
    }

    void OpenDialogTakesANameWithNoFileBehindIt() {
        WindowBench bench;
        QTemporaryDir dir;
        const QString missing = dir.filePath("no-such-image.bin");

        QString box_text;
        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, missing); })
            .Then<QMessageBox>([&](QMessageBox* box) {
                box_text = box->text();
                box->button(QMessageBox::Cancel)->click();
            });
        QVERIFY(bench.Click(bench.window.WriteChipButton));

        QVERIFY(script.done());
        QVERIFY2(script.unexpected().isEmpty(), qPrintable(script.unexpected().join("; ")));
        QCOMPARE(box_text, QString("Размер файла больше размера чипа!"));
        QCOMPARE(bench.LogAfter(1), (QStringList{"", "+++ Начало записи чипа.", kChipLine,
                                                 "  Файл не найден: \"" + missing + "\"!",
                                                 "  Размер файла больше размера чипа!",
                                                 "  Операция записи отменена пользователем!",
                                                 "--- Окончание записи чипа."}));
    }

    void RefusedBurstReadShowsItsErrorBox() {
        emu::EmulatorOptions options = BenchEmulator();
        options.faults.refuse.insert(0x83);
        WindowBench bench(options);

        QString box_text;
        ModalScript script;
        script.Then<QMessageBox>([&](QMessageBox* box) {
            box_text = box->text();
            QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
            box->button(QMessageBox::Ok)->click();
        });
        QVERIFY(bench.Click(bench.window.Read));

        QVERIFY(script.done());
        QCOMPARE(box_text, QString("Команду _BurstRead не принято"));
        QCOMPARE(bench.LogAfter(1),
                 (QStringList{"", "+++ Начало чтения чипа.", kChipLine, "  Производится чтение.",
                              "--- Окончание чтения чипа."}));
    }

    void SpeedTestLogsBothEndpoints() {
        WindowBench bench;
        QVERIFY(bench.Click(bench.window.Button1));
        // The simulated clock does not move while the emulator takes the
        // blocks, so neither series has a measurable time.
        QCOMPARE(bench.LogAfter(1),
                 (QStringList{"Измерение скорости обмена 16 битной Endpoint",
                              "Скорость 16 битной Endpoint: не измерена (0 мс)",
                              "Измерение скорости обмена 64 битной Endpoint",
                              "Скорость 64 битной Endpoint: не измерена (0 мс)"}));
    }

    void ClosingWhileAnOperationRunsWaitsForItsEnd() {
        WindowBench bench;
        QVERIFY(bench.Click(bench.window.CheckBoxNotWrite));
        bool closed_at_once = true;
        bool visible_while_running = false;
        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* d) {
            closed_at_once = bench.window.close();
            visible_while_running = bench.window.isVisible();
            d->reject();
        });
        QVERIFY(bench.Click(bench.window.Read));

        QVERIFY(script.done());
        QVERIFY(!closed_at_once);
        QVERIFY(visible_while_running);
        // The operation finished with its full log, then the window closed.
        QCOMPARE(bench.Log().last(), QString("--- Окончание чтения чипа."));
        QTRY_VERIFY(!bench.window.isVisible());
    }

    // "Задание…": the job's name in the title, the controls it sets locked
    // and showing its values, and "Записать" running it, its series
    // included, without a dialog. The job stays on after the run.
    void AJobLocksTheControlsItSetsAndWritesItsSeries() {
        QTemporaryDir dir;
        emu::EmulatorOptions options = BenchEmulator();
        options.chip_file = dir.filePath("chip-%d.bin").toStdString();
        WindowBench bench(options);
        QByteArray image(2 * 8192, 0);  // word i is (i, ~i)
        for (int i = 0; i < 8192; ++i) {
            image[2 * i] = char(i);
            image[2 * i + 1] = char(~i);
        }
        QVERIFY(WriteAll(dir.filePath("image.bin"), image));
        RunPlan plan;
        plan.operation = OperationNamed("write");
        plan.image = dir.filePath("image.bin").toStdString();
        plan.layout = {std::nullopt, {}, 0xFF, true, {2, 0}};
        plan.repeat = true;
        plan.repeat_count = 2;
        plan.serial = SerialNumbering{0x10, 7, 1, 1, SerialForm::LittleEndian};
        std::string error;
        const QString job = dir.filePath("job.toml");
        QVERIFY2(SaveJob(plan, {0xAB, 0x05, "TEST AB05"}, job.toStdString(), error), error.c_str());

        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, job); })
            .Then<QMessageBox>(
                [](QMessageBox* box) { box->findChild<QPushButton*>("NextChip")->click(); });
        bench.wiring.jobs.open_job->trigger();
        QVERIFY(bench.window.windowTitle().endsWith("задание job.toml"));
        const auto locked = [&] {
            for (QWidget* control : Controls(bench.window)) {
                const bool free =
                    control == bench.window.WriteChipButton || control == bench.window.GetIdent ||
                    control == bench.window.Button1 || control == bench.window.CheckBoxClear;
                if (control->isEnabled() != free) return false;
            }
            return bench.window.CheckBoxSwap->isChecked() &&
                   bench.window.ComboBoxLane->currentIndex() == 1 &&
                   bench.window.CheckBoxSeries->isChecked();
        };
        QVERIFY(locked());
        QVERIFY(bench.Click(bench.window.WriteChipButton));
        QVERIFY(script.done());
        QVERIFY2(script.unexpected().isEmpty(), qPrintable(script.unexpected().join("; ")));
        QCOMPARE(bench.Log().last(), QString("  Годных: 2, брак: 0"));
        for (int chip = 1; chip <= 2; ++chip) {
            const QByteArray written = ReadAll(dir.filePath(QString("chip-%1.bin").arg(chip)));
            QCOMPARE(written.size(), 8192);
            QCOMPARE(int(written.at(0x10)), 6 + chip);
            for (int i : {0, 0x11, 4095, 8191}) QCOMPARE(int(written.at(i)), int(char(~i)));
        }
        QVERIFY(locked());
        bench.wiring.jobs.CloseJob();
        QVERIFY(bench.window.CheckBoxSwap->isEnabled() && bench.window.Read->isEnabled());
    }

    // "Сохранить задание…" saves what "Записать" would do, for the chip identified last.
    void SavingAJobKeepsTheControlsWrite() {
        QTemporaryDir dir;
        WindowBench bench;
        QVERIFY(WriteAll(dir.filePath("image.bin"), QByteArray(8192, 1)));
        bench.window.ComboBoxLane->setCurrentIndex(2);
        bench.window.CheckBoxNotErase->setChecked(true);
        QVERIFY(bench.Click(bench.window.GetIdent));
        const QString job = dir.filePath("saved.toml");
        QVERIFY(bench.wiring.jobs.SaveJobAs(job, dir.filePath("image.bin")));
        Job loaded;
        std::string error;
        QVERIFY2(LoadJob(job.toStdString(), loaded, error), error.c_str());
        QCOMPARE(loaded.plan.layout.lane, (ByteLane{2, 1}));
        QVERIFY(!loaded.plan.erase_first);
        QCOMPARE(loaded.plan.expected_chip->Name, std::string("TEST AB05"));
    }

    void LogLinesKeepTheirOrderAcrossManyOperations() {
        WindowBench bench;
        for (int i = 0; i < 20; ++i) QVERIFY(bench.Click(bench.window.GetIdent));
        const QStringList log = bench.Log();
        QCOMPARE(log.size(), 1 + 20 * 4);
        for (int i = 0; i < 20; ++i) {
            QCOMPARE(log.mid(1 + 4 * i, 4), (QStringList{"", "+++ Начало определения чипа.",
                                                         QString("  ") + kBenchChipSummary,
                                                         "--- Окончание определения чипа."}));
        }
    }
};

QTEST_MAIN(WindowOperationsTest)
#include "window_operations_test.moc"
