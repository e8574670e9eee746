// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The buffer pane under the log: what the last read took from the chip, or
// the image as the last write or comparison sent it, its differing bytes
// marked; with the way to the next difference, to an address and to a
// string of bytes or text.

#include <QWidget>
#include <cstdint>
#include <optional>

#include "window/buffer_model.h"
#include "window/hex_view.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace dspprog {

class BufferView final : public QWidget {
    Q_OBJECT

public:
    explicit BufferView(QWidget* parent = nullptr);

    // Shows `bytes` under the heading `title`; `marks` as in BufferModel.
    void Show(const QString& title, std::vector<std::uint8_t> bytes,
              std::vector<std::uint64_t> marks = {});
    const BufferModel& model() const { return model_; }

    // The current byte; nothing while the buffer is empty.
    std::optional<std::uint32_t> CurrentAddress() const { return Table->CurrentAddress(); }
    // Makes the byte at `address` current, in the middle of the view.
    void GoTo(std::uint32_t address) { Table->SetCurrent(address); }

    // The buttons' and fields' work, also for the keyboard's shortcuts.
    void NextDifference();
    void PreviousDifference();
    void GoToTypedAddress();
    void FindNext();
    // Ctrl+F: the find field, its text selected.
    void StartFind();
    // Ctrl+G: the address field.
    void StartGoTo();

    QLabel* Title;
    HexView* Table;
    QPushButton* PreviousButton;
    QPushButton* NextButton;
    QLabel* DifferenceCount;
    QLineEdit* AddressEdit;
    QLineEdit* FindEdit;
    QComboBox* FindKind;  // hex bytes, or text
    QLabel* Notice;       // why a go-to or a find found nothing

private:
    void ShowDifferencePlace();

    BufferModel model_;
};

}  // namespace dspprog
