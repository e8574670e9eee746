// SPDX-License-Identifier: GPL-3.0-or-later
// The buffer pane against the emulated programmer: what a read and a
// comparison put in it, the ways through it, what it saves; and the menu,
// the status line and Qt's own texts around it.

#include <QAccessible>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <random>
#include <set>

#include "image/image_format.h"
#include "window/buffer_view.h"
#include "window/qt_translations.h"
#include "window_bench.h"

using namespace dspprog;
using namespace dspprog::testing;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// 8 KB that no two rows repeat, with "DE AD" at 0x0345 and the text
// "dspprog" at 0x1234 and 0x1F00.
QByteArray ChipContent() {
    QByteArray content(8192, '\0');
    for (int i = 0; i < content.size(); ++i) content[i] = static_cast<char>((i * 7 + i / 256) | 1);
    content.replace(0x345, 2, "\xDE\xAD");
    content.replace(0x1234, 7, "dspprog");
    content.replace(0x1F00, 7, "dspprog");
    return content;
}

// The window on a chip that holds ChipContent.
struct BufferBench {
    BufferBench() {
        WriteAll(dir.filePath("chip.bin"), chip);
        emu::EmulatorOptions options = BenchEmulator();
        options.chip_file = dir.filePath("chip.bin").toStdString();
        bench = std::make_unique<WindowBench>(options);
        Activate();
    }
    // The keyboard's shortcuts go to the focus window, which a closed dialog
    // may still be. (The window counts as active while its dialog is.)
    void Activate() {
        bench->window.activateWindow();
        if (!QTest::qWaitFor([this] {
                return QGuiApplication::focusWindow() == bench->window.windowHandle();
            }))
            qWarning("the window has not got the focus");
    }
    BufferView& view() { return *bench->window.Buffer; }
    QByteArray Shown() {
        const auto& bytes = view().model().bytes();
        return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<qsizetype>(bytes.size()));
    }
    // The current byte, and what a screen reader reads of the view.
    std::uint32_t Current() { return view().CurrentAddress().value_or(~0u); }
    QString CurrentCellName() {
        return QAccessible::queryAccessibleInterface(view().Table)->text(QAccessible::Name);
    }

    QTemporaryDir dir;
    QByteArray chip = ChipContent();
    std::unique_ptr<WindowBench> bench;
};

}  // namespace

class WindowBufferTest : public QObject {
    Q_OBJECT

private slots:
    void ReadFillsTheViewWithTheChipsBytesAndTheStatusLineWithTheirSums() {
        BufferBench b;
        QVERIFY(b.bench->Click(b.bench->window.Read));
        QCOMPARE(b.Shown(), b.chip);
        QCOMPARE(b.view().Table->verticalScrollBar()->maximum(),
                 8192 / 16 - b.view().Table->verticalScrollBar()->pageStep());
        const MainWindow& w = b.bench->window;
        QCOMPARE(w.ChipStatus->text(), QString("Чип: TEST AB05, 8192 байт"));
        QCOMPARE(w.ProgrammerStatus->text(), QString("Программатор: EMU1 (emu-1)"));
        // The sums of ChipContent as Python's sum() and zlib.crc32() give them.
        QCOMPARE(w.SumsStatus->text(), QString("Сумма-16: 003D  CRC-32: C1B7DEAB"));
        // An identification brings no bytes and leaves the buffer as it was.
        QVERIFY(b.bench->Click(b.bench->window.GetIdent));
        QCOMPARE(b.Shown(), b.chip);
    }

    void AComparisonMarksExactlyTheDifferingBytesAndNextVisitsThemInOrder() {
        BufferBench b;
        const std::vector<std::uint32_t> differing = {0x0005, 0x0100, 0x1FFF};
        QByteArray image = b.chip;
        for (std::uint32_t at : differing) image[at] = static_cast<char>(~image[at]);
        const QString path = b.dir.filePath("image.bin");
        QVERIFY(WriteAll(path, image));
        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, path); });
        QVERIFY(b.bench->Click(b.bench->window.CompareButton));
        QVERIFY(script.done());

        // The image as it went to the chip, and only its three bytes marked.
        QCOMPARE(b.Shown(), image);
        const std::set<std::uint32_t> expected(differing.begin(), differing.end());
        for (std::uint32_t at = 0; at < 8192; ++at)
            QVERIFY2(b.view().model().Differs(at) == expected.contains(at),
                     qPrintable(QString::number(at, 16)));
        // Painted so: the second difference in red, its neighbour not. The
        // cells' corners hold no glyph.
        b.view().GoTo(differing[1] + 1);
        const QImage painted = b.view().Table->viewport()->grab().toImage();
        const auto corner = [&](std::uint32_t at) {
            return painted.pixelColor(b.view().Table->ByteRect(at).topLeft() + QPoint(1, 1));
        };
        QCOMPARE(corner(differing[1]), QColor(255, 160, 160));
        QCOMPARE(corner(differing[1] + 2), b.view().Table->palette().color(QPalette::Base));
        b.view().GoTo(differing[0]);
        // The view opens on the first; "next" (F8 or its button) goes on in
        // order and stops at the last, "previous" (Shift+F8) goes back.
        QCOMPARE(b.Current(), differing[0]);
        QCOMPARE(b.view().DifferenceCount->text(), QString("Отличие 1 из 3"));
        b.Activate();
        QTest::keyClick(&b.bench->window, Qt::Key_F8);
        QCOMPARE(b.Current(), differing[1]);
        QTest::mouseClick(b.view().NextButton, Qt::LeftButton);
        QCOMPARE(b.Current(), differing[2]);
        QCOMPARE(b.view().DifferenceCount->text(), QString("Отличие 3 из 3"));
        QTest::keyClick(&b.bench->window, Qt::Key_F8);
        QCOMPARE(b.Current(), differing[2]);
        QTest::keyClick(&b.bench->window, Qt::Key_F8, Qt::ShiftModifier);
        QCOMPARE(b.Current(), differing[1]);
        QCOMPARE(b.CurrentCellName(), QString("Адрес 0x000100: 0x%1, в чипе другое значение")
                                          .arg(QString::number(std::uint8_t(image[0x100]), 16)
                                                   .toUpper()
                                                   .rightJustified(2, '0')));
    }

    // The marks' word arithmetic against a plain walk over the bytes, for
    // seeded buffers whose sizes and marks fall on and beside word edges.
    void DifferencesAndMatchesAreFoundWhereAPlainWalkFindsThem() {
        std::mt19937 random(5509);
        for (std::uint32_t size : {1u, 63u, 64u, 65u, 1000u, 4096u}) {
            std::vector<std::uint8_t> bytes(size);
            for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random() % 4);
            std::vector<bool> differs(size);
            std::vector<std::uint64_t> marks((size + 63) / 64 + 1, 0);  // one word too many
            for (std::uint32_t at = 0; at < size; ++at) {
                differs[at] = random() % 7 == 0 || at == 63 || at == 64 || at + 1 == size;
                if (differs[at]) marks[at / 64] |= std::uint64_t{1} << (at % 64);
            }
            marks.back() = ~std::uint64_t{0};  // past the bytes: never counted
            BufferModel model;
            model.SetBuffer(bytes, marks);
            const std::vector<std::uint8_t> pattern = {bytes[size / 2],
                                                       bytes[(size / 2 + 1) % size]};
            std::uint32_t before = 0;
            for (std::uint32_t at = 0; at < size; ++at) {
                std::optional<std::uint32_t> next, previous, match;
                for (std::uint32_t i = at + 1; i < size && !next; ++i)
                    if (differs[i]) next = i;
                for (std::uint32_t i = at; i-- > 0 && !previous;)
                    if (differs[i]) previous = i;
                for (std::uint32_t k = 1; k <= size && !match && size > 1; ++k) {
                    const std::uint32_t i = (at + k) % size;
                    if (i + 1 < size && bytes[i] == pattern[0] && bytes[i + 1] == pattern[1])
                        match = i;
                }
                const QString where = QString("size %1 at %2").arg(size).arg(at);
                QVERIFY2(model.NextDifference(at) == next, qPrintable(where));
                QVERIFY2(model.PreviousDifference(at) == previous, qPrintable(where));
                QVERIFY2(model.DifferencesBefore(at) == before, qPrintable(where));
                QVERIFY2(model.Find(pattern, at) == match, qPrintable(where));
                before += differs[at] ? 1 : 0;
            }
            QCOMPARE(model.DifferenceCount(), before);
        }
    }

    // The keys move the current byte as a text editor's caret moves, the
    // view follows it, and a click takes the byte under the mouse.
    void TheKeysAndTheMouseMoveTheCurrentByteAndTheViewFollows() {
        BufferModel model;
        model.SetBuffer(std::vector<std::uint8_t>(1000, 0x41));
        HexView view(model);
        view.resize(view.sizeHint().width(), view.sizeHint().height() / 2);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.Reset();
        const int page = view.verticalScrollBar()->pageStep() * 16;
        struct Step {
            int key;
            Qt::KeyboardModifiers modifiers;
            int lands_on;
        };
        const Step steps[] = {
            {Qt::Key_Right, {}, 1},    {Qt::Key_Down, {}, 17},
            {Qt::Key_End, {}, 31},     {Qt::Key_Home, {}, 16},
            {Qt::Key_Left, {}, 15},    {Qt::Key_Up, {}, 15},
            {Qt::Key_End, Qt::ControlModifier, 999}, {Qt::Key_Down, {}, 999},
            {Qt::Key_Right, {}, 999},  {Qt::Key_PageUp, {}, 999 - page},
            {Qt::Key_Home, Qt::ControlModifier, 0},  {Qt::Key_PageDown, {}, page},
        };
        for (const Step& step : steps) {
            QTest::keyClick(&view, Qt::Key(step.key), step.modifiers);
            const QString what = QKeySequence(step.key | step.modifiers).toString();
            QVERIFY2(view.CurrentAddress() == std::uint32_t(step.lands_on), qPrintable(what));
            QVERIFY2(view.viewport()->rect().contains(view.ByteRect(step.lands_on)),
                     qPrintable(what));
            QCOMPARE(QAccessible::queryAccessibleInterface(&view)->text(QAccessible::Name),
                     model.Describe(step.lands_on));
        }
        for (std::uint32_t at = page; at < std::uint32_t(page) + 48; ++at) {
            QCOMPARE(view.AddressAt(view.ByteRect(at).center()), std::optional(at));
            QTest::mousePress(view.viewport(), Qt::LeftButton, {}, view.ByteRect(at).center());
            QCOMPARE(view.CurrentAddress(), std::optional(at));
        }
        QCOMPARE(view.AddressAt({1, 1}), std::nullopt);  // the header
    }

    void GoToAndFindLandOnTheRightCellFromTheKeyboard() {
        BufferBench b;
        QVERIFY(b.bench->Click(b.bench->window.Read));
        QWidget* window = &b.bench->window;
        struct Case {
            const char* what;
            QKeySequence keys;  // that opens the field
            QLineEdit* field;
            int kind;  // of the find: 0 hex, 1 text
            QString typed;
            std::uint32_t lands_on;
        };
        const Case cases[] = {
            {"hex address", QKeySequence(Qt::CTRL | Qt::Key_G), b.view().AddressEdit, 0, "1F0A",
             0x1F0A},
            {"0x and h", QKeySequence(Qt::CTRL | Qt::Key_G), b.view().AddressEdit, 0, "0x10h",
             0x10},
            {"hex bytes", QKeySequence::Find, b.view().FindEdit, 0, "de ad", 0x345},
            {"text", QKeySequence::Find, b.view().FindEdit, 1, "dspprog", 0x1234},
        };
        for (const Case& c : cases) {
            b.view().FindKind->setCurrentIndex(c.kind);
            QTest::keySequence(window, c.keys);
            QVERIFY2(c.field->hasFocus(), c.what);
            QTest::keyClicks(c.field, c.typed);
            QTest::keyClick(c.field, Qt::Key_Return);
            QVERIFY2(b.Current() == c.lands_on, c.what);
            QVERIFY2(b.view().Table->viewport()->rect().contains(
                         b.view().Table->ByteRect(c.lands_on)),
                     c.what);
        }
        // F3 goes on to the next match, then round to the first.
        QTest::keyClick(window, Qt::Key_F3);
        QCOMPARE(b.Current(), 0x1F00u);
        QTest::keyClick(window, Qt::Key_F3);
        QCOMPARE(b.Current(), 0x1234u);
        QVERIFY(b.CurrentCellName().startsWith("Адрес 0x001234: 0x64"));
        // What is not there says so and stays put.
        b.view().FindEdit->setText("not in the chip");
        QTest::keyClick(window, Qt::Key_F3);
        QCOMPARE(b.Current(), 0x1234u);
        QCOMPARE(b.view().Notice->text(), QString("Не найдено"));
    }

    void TheSavedBufferEqualsTheChipAndNoFileIsReplaced() {
        BufferBench b;
        QVERIFY(b.bench->Click(b.bench->window.Read));
        MainWindow& w = b.bench->window;
        const QString hex = b.dir.filePath("buffer.hex");
        {
            ModalScript script;
            script.Then<QFileDialog>([&](QFileDialog* d) {
                QCOMPARE(d, w.SaveBufferDialog);
                ChooseFile(d, hex);
            });
            w.SaveBufferAction->trigger();
            QVERIFY(script.done());
        }
        // Read back by the reader a write uses: the form follows the name.
        std::vector<std::uint8_t> back;
        const QByteArray text = ReadAll(hex);
        QVERIFY(!ConvertImage(text.toStdString(), ImageFormat::IntelHex, 8192, 0, back));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(back.data()), 8192), b.chip);
        QCOMPARE(w.Memo1->toPlainText().split('\n').last(),
                 QString("Буфер сохранён в файле: \"%1\" (Intel HEX).").arg(hex));

        // Neither the buffer nor the log goes over a file that is there.
        const QString taken = b.dir.filePath("taken");
        QVERIFY(WriteAll(taken, "kept"));
        ModalScript refusals;
        for (int i = 0; i < 2; ++i)
            refusals.Then<QMessageBox>([&](QMessageBox* box) {
                QVERIFY(box->text().contains("уже есть"));
                box->accept();
            });
        QVERIFY(!w.SaveBufferTo(taken, ImageFormat::Raw));
        QVERIFY(!w.SaveLogTo(taken));
        QVERIFY(refusals.done());
        QCOMPARE(ReadAll(taken), QByteArray("kept"));

        const QString log = b.dir.filePath("log.txt");
        QVERIFY(w.SaveLogTo(log));
        QCOMPARE(QString::fromUtf8(ReadAll(log)), w.Memo1->toPlainText() + '\n');
    }

    void QtsOwnTextsAreRussian() {
        QVERIFY(InstallQtTranslations());
        MainWindow window;
        QFileDialog* dialog = window.SaveDialog1;
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->show();
        QStringList captions;
        for (QAbstractButton* button : dialog->findChild<QDialogButtonBox*>()->buttons())
            captions << button->text().remove('&');
        dialog->hide();
        QVERIFY2(captions.contains("Сохранить") && captions.contains("Отмена"),
                 qPrintable(captions.join(", ")));
    }

    void TheMenuHoldsTheFileAndHelpActionsAndThePanesGrowWithTheWindow() {
        MainWindow window;
        QStringList file;
        for (QAction* action : window.findChild<QMenu*>("menu_file")->actions())
            if (!action->isSeparator()) file << action->text();
        QCOMPARE(file, (QStringList{"Сохранить журнал…", "Сохранить буфер…", "Выход"}));
        QVERIFY(window.AboutText().contains(QString("Qt ") + qVersion()));
        QVERIFY(window.AboutText().contains("GPL-3.0-or-later"));

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QSize log = window.Memo1->size();
        const QSize table = window.Buffer->Table->size();
        window.resize(window.size() + QSize(200, 200));
        QTRY_VERIFY(window.Memo1->width() == log.width() + 200);
        QVERIFY(window.Memo1->height() > log.height());
        QVERIFY(window.Buffer->Table->height() > table.height());
    }
};

QTEST_MAIN(WindowBufferTest)
#include "window_buffer_test.moc"
