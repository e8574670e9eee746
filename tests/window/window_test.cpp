// SPDX-License-Identifier: GPL-3.0-or-later
// The window and the critical-error dialog as they first appear, and the
// answers the dialog and the fatal-stop box give.

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "window/critical_error_dialog.h"
#include "window/fatal_report.h"
#include "window/main_window.h"
#include "window_bench.h"

using namespace dspprog;
using dspprog::testing::Controls;
using dspprog::testing::ModalScript;

namespace {}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void StartsWithTheHeadingAsTheOnlyLogLine() {
        MainWindow window;
        QCOMPARE(window.Memo1->toPlainText(), QString("Отладочная и диалоговая информация: "));
        QCOMPARE(window.Memo1->document()->blockCount(), 1);
        QCOMPARE(window.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }

    void TheLogTakesNoTypingButKeepsGrowingAndCanBeCopied() {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.Memo1->setFocus();
        QTest::keyClicks(window.Memo1, "typed");
        QTest::keyClick(window.Memo1, Qt::Key_Backspace);
        QTest::keyClick(window.Memo1, Qt::Key_Return);
        QCOMPARE(window.Memo1->toPlainText(), QString("Отладочная и диалоговая информация: "));
        window.AppendLine("  a line");
        QCOMPARE(window.Memo1->document()->blockCount(), 2);
        QVERIFY(window.Memo1->textInteractionFlags() & Qt::TextSelectableByKeyboard);
        QVERIFY(window.Memo1->focusPolicy() & Qt::TabFocus);
    }

    void DisabledButtonsShowTheStylesDisabledCaption() {
        MainWindow window;
        window.EnableControls(false);
        for (QWidget* control : Controls(window)) {
            const QPalette& own = control->palette();
            const QColor disabled = own.color(QPalette::Disabled, QPalette::ButtonText);
            QCOMPARE(disabled, QApplication::palette(control).color(QPalette::Disabled,
                                                                    QPalette::ButtonText));
            QVERIFY2(disabled != own.color(QPalette::Active, QPalette::ButtonText),
                     qPrintable(control->objectName()));
        }
        QCOMPARE(window.GetIdent->palette().color(QPalette::Active, QPalette::ButtonText),
                 QColor(Qt::black));
    }

    void ShowsTheCaptionsAndInitialStates() {
        MainWindow window;
        QCOMPARE(window.objectName(), QString("Form1"));
        QCOMPARE(window.windowTitle(),
                 QString("Программа тестирования обмена с TMS320VC5509 по USBB."));
        QCOMPARE(window.GetIdent->text(), QString("Определить чип"));
        QCOMPARE(window.Read->text(), QString("Читать"));
        QCOMPARE(window.EreaseChip->text(), QString("Стереть"));
        QCOMPARE(window.WriteChipButton->text(), QString("Записать"));
        QCOMPARE(window.CheckBoxNotErase->text(), QString("Не стирать"));
        QCOMPARE(window.CheckBoxClear->text(), QString("Проверять чистоту"));
        QCOMPARE(window.CheckBoxNotWrite->text(), QString("Не сохранять в файл"));
        QCOMPARE(window.Button1->text(), QString("Button1"));

        QVERIFY(window.CheckBoxNotWrite->isChecked());
        QVERIFY(!window.CheckBoxNotErase->isChecked());
        QVERIFY(!window.CheckBoxClear->isChecked());
        for (QWidget* control : Controls(window)) {
            QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
        }
    }

    void DrawsButtonsAndCheckBoxesBoldExceptButton1() {
        MainWindow window;
        for (QWidget* control : Controls(window)) {
            if (control == window.Button1) continue;
            QVERIFY2(control->font().bold(), qPrintable(control->objectName()));
            QCOMPARE(control->font().pixelSize(), 13);
        }
        QVERIFY(!window.Button1->font().bold());
        QVERIFY(window.Read->minimumSize().width() >= 161);
        QVERIFY(window.Read->minimumSize().height() >= 41);
        QCOMPARE(window.Read->palette().color(QPalette::Active, QPalette::ButtonText),
                 QColor(0, 128, 0));
    }

    void TabsThroughTheControlsInTheirOrder() {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.GetIdent->setFocus();
        QStringList order{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < 22; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        // The buffer's controls after all the others; its difference buttons
        // are off while nothing differs.
        QCOMPARE(order,
                 (QStringList{
                     "GetIdent",        "Read",           "EreaseChip",       "Memo1",
                     "WriteChipButton", "CompareButton",  "CheckBoxNotErase", "CheckBoxClear",
                     "CheckBoxPad",     "ComboBoxLane",   "CheckBoxSwap",     "CheckBoxNotWrite",
                     "CheckBoxReadTwice", "Button1",      "CheckBoxSeries",   "SerialButton",
                     "BufferTable",     "AddressEdit",    "GoToAddress",      "FindEdit",
                     "FindKind",        "FindNext",       "GetIdent"}));
    }

    void GroupsTheReadAndWriteSidesInRaisedBevels() {
        MainWindow window;
        QCOMPARE(window.ReadBevel->frameShadow(), QFrame::Raised);
        QCOMPARE(window.WriteBevel->frameShadow(), QFrame::Raised);
        QCOMPARE(window.Read->parentWidget(), window.ReadBevel);
        QCOMPARE(window.CheckBoxNotWrite->parentWidget(), window.ReadBevel);
        QCOMPARE(window.CheckBoxClear->parentWidget(), window.WriteBevel);
        QCOMPARE(window.CheckBoxNotErase->parentWidget(), window.WriteBevel);
        QCOMPARE(window.WriteChipButton->parentWidget(), window.WriteBevel);

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The read side's check box above its button; the write side top down.
        QVERIFY(window.CheckBoxNotWrite->geometry().bottom() < window.Read->geometry().top());
        QVERIFY(window.CheckBoxClear->geometry().bottom() <
                window.CheckBoxNotErase->geometry().top());
        QVERIFY(window.CheckBoxNotErase->geometry().bottom() <
                window.WriteChipButton->geometry().top());
        // GetIdent below the read side, EreaseChip below the write side, Button1
        // between them, the log at the bottom.
        const auto at = [&](QWidget* w) { return w->mapTo(&window, QPoint(0, 0)); };
        QVERIFY(at(window.GetIdent).y() >
                at(window.ReadBevel).y() + window.ReadBevel->height() - 1);
        QVERIFY(at(window.EreaseChip).y() >
                at(window.WriteBevel).y() + window.WriteBevel->height() - 1);
        QVERIFY(at(window.Button1).x() > at(window.GetIdent).x());
        QVERIFY(at(window.Button1).x() < at(window.EreaseChip).x());
        QVERIFY(at(window.Memo1).y() > at(window.Button1).y());
    }

    void OffersTheImageFormsAndAllFilesWithoutAnExtension() {
        MainWindow window;
        for (QFileDialog* dialog : {window.SaveDialog1, window.OpenDialog1}) {
            const QStringList filters = dialog->nameFilters();
            QCOMPARE(filters.size(), 4);
            QCOMPARE(filters.first(), QString("Все файлы (*)"));
            QVERIFY(filters.filter("*.hex").size() == 1 && filters.filter("*.s19").size() == 1);
            QVERIFY(dialog->defaultSuffix().isEmpty());
        }
        // The save dialog's filter is the form; "all files" leaves it to the name.
        const QList<std::pair<int, std::optional<ImageFormat>>> forms = {{0, std::nullopt},
                                                                         {1, ImageFormat::Raw},
                                                                         {2, ImageFormat::IntelHex},
                                                                         {3, ImageFormat::SRecord}};
        for (const auto& [index, form] : forms) {
            window.SaveDialog1->selectNameFilter(window.SaveDialog1->nameFilters().at(index));
            QVERIFY(window.ChosenSaveFormat() == form);
        }
        QCOMPARE(window.SaveDialog1->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(window.OpenDialog1->acceptMode(), QFileDialog::AcceptOpen);
        // The open dialog takes the name of a file that does not exist.
        QCOMPARE(window.OpenDialog1->fileMode(), QFileDialog::AnyFile);
    }

    void CriticalDialogAnswersByItsButtons() {
        CriticalErrorDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString("Критическая ошибка"));
        QCOMPARE(dialog.WaitB->text(), QString("Подождать"));
        QCOMPARE(dialog.CloseB->text(), QString("Завершить"));

        ModalScript script;
        script
            .Then<CriticalErrorDialog>([](CriticalErrorDialog* d) {
                QCOMPARE(d->Label1->text(), QString("Из USB не считано :16 байт!"));
                d->WaitB->click();
            })
            .Then<CriticalErrorDialog>([](CriticalErrorDialog* d) { d->CloseB->click(); });
        QCOMPARE(dialog.ShowCriticalError("Из USB не считано :16 байт!"), 4);
        QCOMPARE(dialog.ShowCriticalError("В USB не записано :4096 байт!"), 3);
        QVERIFY(script.done());
    }

    void CriticalDialogClosedByTitleBarOrEscapeCountsAsWaiting() {
        CriticalErrorDialog dialog;
        ModalScript script;
        script.Then<CriticalErrorDialog>([](CriticalErrorDialog* d) { d->close(); })
            .Then<CriticalErrorDialog>(
                [](CriticalErrorDialog* d) { QTest::keyClick(d, Qt::Key_Escape); });
        QCOMPARE(dialog.ShowCriticalError("Из USB не считано :16 байт!"), 2);
        QCOMPARE(dialog.ShowCriticalError("Из USB не считано :16 байт!"), 2);
        QVERIFY(script.done());
    }

    void HaltShowsMessageAndClosingSentenceWithOneOk() {
        QString shown;
        QMessageBox::StandardButtons buttons;
        ModalScript script;
        script.Then<QMessageBox>([&](QMessageBox* box) {
            shown = box->text();
            buttons = box->standardButtons();
            QCOMPARE(box->icon(), QMessageBox::Critical);
            box->button(QMessageBox::Ok)->click();
        });
        const int status = ReportFatalStop(
            FatalStop(FatalStop::Kind::Halt, "Не удалось получить доступ к устройству!"), nullptr);
        QVERIFY(script.done());
        QCOMPARE(shown, QString("Не удалось получить доступ к устройству!\n\r"
                                "Программа будет аварийно завершена."));
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(status != 0);
    }

    void TerminationShowsNothing() {
        ModalScript script;  // no step: any box would be unexpected
        const int status = ReportFatalStop(FatalStop(FatalStop::Kind::Terminated, ""), nullptr);
        QVERIFY2(script.unexpected().isEmpty(), qPrintable(script.unexpected().join("; ")));
        QVERIFY(status != 0);
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
