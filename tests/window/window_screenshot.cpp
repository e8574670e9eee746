// SPDX-License-Identifier: GPL-3.0-or-later
// Makes the window's pictures in docs/ on the emulated programmer, drawn
// offscreen: the window after an identification, a read and a comparison
// with a file that differs in three bytes, and the window while a write runs
// (every control off, the progress bar moving).
//
//   QT_QPA_PLATFORM=offscreen window_screenshot AFTER_COMPARE.png DURING_WRITE.png CATALOGUE
//       [COMPARE_DIALOG.png]
//
// COMPARE_DIALOG.png, when given, is the window with the comparison's file
// dialog over it, as the operator sees it while choosing the file.

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "image/image_encoder.h"
#include "link/clock.h"
#include "window/main_window.h"
#include "window/program.h"
#include "window_bench.h"

namespace {

bool WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// `window` with `dialog` drawn over its middle.
bool SaveWithDialog(QWidget* window, QWidget* dialog, const QString& path) {
    QPixmap shot = window->grab();
    const QPixmap top = dialog->grab();
    QPainter painter(&shot);
    painter.drawPixmap((shot.width() - top.width()) / 2, (shot.height() - top.height()) / 2, top);
    painter.end();
    return shot.save(path);
}

}  // namespace

int main(int argc, char* argv[]) {
    // Qt's own file dialogs, which the script answers, also on Windows.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr,
                     "usage: window_screenshot AFTER_COMPARE.png DURING_WRITE.png CATALOGUE "
                     "[COMPARE_DIALOG.png]\n");
        return 2;
    }
    const QString compare_dialog = argc == 5 ? QString::fromLocal8Bit(argv[4]) : QString();
    const QString after_compare = QString::fromLocal8Bit(argv[1]);
    const QString during_write = QString::fromLocal8Bit(argv[2]);

    QTemporaryDir dir;
    const QString chip_file = dir.filePath("chip.bin");
    const QString image = dir.filePath("image.bin");
    const QString near = dir.filePath("near.hex");
    QByteArray content(131072, char(0xFF));
    for (int i = 0; i < 0x3000; ++i) content[i] = static_cast<char>(i * 7 + (i >> 8));
    QByteArray written(131072, char(0));
    for (int i = 0; i < written.size(); ++i) written[i] = static_cast<char>(i * 13 + (i >> 9));
    // The chip's content as Intel HEX, but for three bytes.
    QByteArray near_content = content;
    // Near one another, so that the buffer pane shows all three.
    for (int at : {0x0102, 0x0135, 0x0167}) near_content[at] = static_cast<char>(~near_content[at]);
    const auto encoder = dspprog::MakeImageEncoder(dspprog::ImageFormat::IntelHex, 131072);
    std::string hex = encoder->Begin();
    hex += encoder->Data(0, reinterpret_cast<const std::uint8_t*>(near_content.constData()),
                         static_cast<std::size_t>(near_content.size()));
    hex += encoder->End();
    if (!WriteFile(chip_file, content) || !WriteFile(image, written) ||
        !WriteFile(near, QByteArray::fromStdString(hex)))
        return 1;

    bool saved = false;
    bool dialog_saved = compare_dialog.isEmpty();
    QPointer<QWidget> shown;
    dspprog::testing::ModalScript script;
    script
        .Then<QFileDialog>([&](QFileDialog* d) {
            if (!compare_dialog.isEmpty() && shown) {
                QTest::qWait(300);  // the dialog's list filled and painted
                dialog_saved = SaveWithDialog(shown, d, compare_dialog);
            }
            dspprog::testing::ChooseFile(d, near);
        })
        .Then<QFileDialog>([&](QFileDialog* d) { dspprog::testing::ChooseFile(d, image); });
    QTimer::singleShot(0, [&] {
        auto* window =
            qobject_cast<dspprog::MainWindow*>(dspprog::testing::WaitForTopLevel("Form1"));
        if (window == nullptr) return QApplication::exit(1);
        shown = window;
        const auto wait_for = [window](const QString& line) {
            return QTest::qWaitFor([&] { return window->Memo1->toPlainText().endsWith(line); },
                                   30000);
        };
        window->GetIdent->click();
        if (!wait_for("--- Окончание определения чипа.")) return window->close(), void();
        window->Read->click();
        if (!wait_for("--- Окончание чтения чипа.")) return window->close(), void();
        window->CompareButton->click();
        if (!wait_for("--- Окончание сравнения чипа с файлом.")) return window->close(), void();
        QTest::qWait(100);  // the last repaint
        saved = window->grab().save(after_compare);

        window->WriteChipButton->click();
        if (!wait_for("  Чип записывается подождите...")) return window->close(), void();
        // A third of the way through the data.
        const bool moving = QTest::qWaitFor(
            [&] { return window->Progress->value() * 3 >= window->Progress->maximum(); }, 30000);
        saved = saved && moving && window->grab().save(during_write);
        if (!wait_for("--- Окончание записи чипа.")) return window->close(), void();
        window->close();
    });

    // With the timing model: the write takes a few seconds, as on a real programmer.
    dspprog::SteadyClock clock;
    const int status =
        dspprog::RunDspprog({"dspprog", "--emulate", "AMD Am29F010", "--chip-file", chip_file,
                             "--catalogue", QString::fromLocal8Bit(argv[3])},
                            clock);
    return status == 0 && saved && dialog_saved && script.done() ? 0 : 1;
}
