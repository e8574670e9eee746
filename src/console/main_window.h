#pragma once
// Form1: the operator's window. Its controls keep the names the operators'
// manuals use; the window holds no programmer state of its own.

#include <QWidget>
#include <cstdint>

class QCheckBox;
class QFileDialog;
class QFrame;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace dspprog {

// The first and, at start, only line of the log.
inline constexpr const char* kLogHeading = "Отладочная и диалоговая информация: ";

class MainWindow : public QWidget {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);

    // Appends one whole line at the end of the log and keeps it in view.
    void AppendLine(const QString& line);
    // Blocks done of total of the running operation's current phase.
    void ShowProgress(std::uint32_t done, std::uint32_t total);

    // While an operation runs, every button and check box is disabled, and a
    // request to close the window is held until the operation has ended: the
    // operation may be writing an image file or a chip.
    void SetRunning(bool running);
    bool running() const { return running_; }

    // Controls, in the order of their tab stops.
    QPushButton* GetIdent;
    QPushButton* Read;
    QPushButton* EreaseChip;
    QPlainTextEdit* Memo1;
    QPushButton* WriteChipButton;
    QCheckBox* CheckBoxNotErase;
    QCheckBox* CheckBoxClear;
    QCheckBox* CheckBoxNotWrite;
    QPushButton* Button1;

    QProgressBar* Progress;
    QFrame* ReadBevel;   // CheckBoxNotWrite above Read
    QFrame* WriteBevel;  // CheckBoxClear, CheckBoxNotErase, WriteChipButton

    QFileDialog* SaveDialog1;
    QFileDialog* OpenDialog1;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool running_ = false;
    bool close_pending_ = false;
};

}  // namespace dspprog
