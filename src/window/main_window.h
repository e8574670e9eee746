// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Form1: the operator's window. Its controls keep the names the operators'
// manuals use; the window holds no programmer state of its own.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "image/image_arrangement.h"
#include "image/image_format.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSplitter;
class QStatusBar;

namespace dspprog {

class BufferView;

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

    // "Годных: P, брак: F" under the progress bar; hidden when not given.
    void ShowSeriesCounts(const QString& counts);
    // Every button and check box; they are off while an operation runs.
    void EnableControls(bool enabled);
    // While `busy` says so, a request to close the window is held (the
    // operation may be writing an image file or a chip), to be carried out by
    // ReleaseHeldClose once the operation has ended.
    void HoldCloseWhile(std::function<bool()> busy);
    void ReleaseHeldClose();

    // Controls, in the order of their tab stops.
    QPushButton* GetIdent;
    QPushButton* Read;
    QPushButton* EreaseChip;
    QPlainTextEdit* Memo1;
    QPushButton* WriteChipButton;
    QPushButton* CompareButton;  // "Сравнить": the chip against an image file
    QCheckBox* CheckBoxNotErase;
    QCheckBox* CheckBoxClear;
    QCheckBox* CheckBoxPad;  // a raw image shorter than the chip is filled with 0xFF
    // The lane of a 16-bit image the chip holds: all bytes, the even or the odd ones.
    QComboBox* ComboBoxLane;
    QCheckBox* CheckBoxSwap;  // the two bytes of each 16-bit word swapped
    QCheckBox* CheckBoxNotWrite;
    QCheckBox* CheckBoxReadTwice;  // "Читать дважды": a read takes the chip twice
    QPushButton* Button1;
    QCheckBox* CheckBoxSeries;  // "Серия": the write goes on chip after chip
    QPushButton* SerialButton;  // "Серийный номер…": the series' number and log
    // The programmer the operations run on; shown only when there are several.
    QComboBox* DeviceChoice;

    QProgressBar* Progress;
    QLabel* SeriesCounts;  // a series' counts, under Progress
    QFrame* ReadBevel;     // CheckBoxNotWrite and CheckBoxReadTwice above Read
    QFrame* WriteBevel;    // CheckBoxClear, CheckBoxNotErase, WriteChipButton

    QFileDialog* SaveDialog1;
    QFileDialog* OpenDialog1;

    // The form the save dialog's type filter asks for; nothing for "all
    // files", where the name's extension decides.
    std::optional<ImageFormat> ChosenSaveFormat() const;
    // The lane ComboBoxLane chooses.
    ByteLane ChosenLane() const;

    // The menu bar: "Файл" and "Справка".
    QMenuBar* MenuBar;
    QMenu* FileMenu;  // object name menu_file
    QMenu* HelpMenu;
    QAction* SaveLogAction;
    QAction* SaveBufferAction;
    QAction* QuitAction;
    QAction* AboutAction;
    QFileDialog* SaveLogDialog;
    QFileDialog* SaveBufferDialog;

    // The log above, the buffer below; the operator moves the line between.
    QSplitter* LogSplitter;
    BufferView* Buffer;

    // Under everything: the programmer, the chip identified last, the
    // buffer's sums.
    QStatusBar* StatusLine;
    QLabel* ProgrammerStatus;
    QLabel* ChipStatus;
    QLabel* SumsStatus;

    // Shows `bytes` in the buffer pane (see BufferView::Show), and its sums.
    void ShowBuffer(const QString& title, std::vector<std::uint8_t> bytes,
                    std::vector<std::uint64_t> marks = {});
    // The programmer the operations run on; an empty location for none.
    void ShowProgrammer(const QString& serial, const QString& location);
    void ShowChip(const QString& name, std::uint32_t size);

    // "Сохранить журнал…" and "Сохранить буфер…": ask for a name, then save
    // under it, never over an existing file.
    void SaveLog();
    void SaveBuffer();
    // Saves the log as UTF-8 text, or the buffer in `format`; false, with the
    // reason shown in a box, when nothing was saved.
    bool SaveLogTo(const QString& name);
    bool SaveBufferTo(const QString& name, ImageFormat format);
    // "О программе": the version, the licence and the libraries.
    static QString AboutText();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<bool()> busy_;
    bool close_held_ = false;
};

}  // namespace dspprog
