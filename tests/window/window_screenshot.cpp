// Makes docs/window-after-read.png: the window after an identification and a
// read on the emulated programmer, drawn offscreen.
//
//   QT_QPA_PLATFORM=offscreen window_screenshot OUT.png CATALOGUE

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
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
        std::fprintf(stderr, "usage: window_screenshot OUT.png CATALOGUE\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);

    QTemporaryDir dir;
    const QString chip_file = dir.filePath("chip.bin");
    {
        QByteArray content(131072, char(0xFF));
        for (int i = 0; i < 0x3000; ++i) content[i] = static_cast<char>(i * 7 + (i >> 8));
        QFile file(chip_file);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) return 1;
    }

    bool saved = false;
    QTimer::singleShot(0, [&] {
        auto* window =
            qobject_cast<dspprog::MainWindow*>(dspprog::testing::WaitForTopLevel("Form1"));
        if (window == nullptr) return QApplication::exit(1);
        const auto wait_for = [window](const QString& line) {
            return QTest::qWaitFor([&] { return window->Memo1->toPlainText().endsWith(line); },
                                   30000);
        };
        window->GetIdent->click();
        if (!wait_for("--- Окончание определения чипа.")) return window->close(), void();
        window->Read->click();
        if (!wait_for("--- Окончание чтения чипа.")) return window->close(), void();
        QTest::qWait(100);  // the last repaint
        saved = window->grab().save(out);
        window->close();
    });

    dspprog::SteadyClock clock;
    const int status =
        dspprog::RunDspprog({"dspprog", "--emulate", "AMD Am29F010", "--chip-file", chip_file,
                             "--catalogue", QString::fromLocal8Bit(argv[2])},
                            clock);
    return status == 0 && saved ? 0 : 1;
}
