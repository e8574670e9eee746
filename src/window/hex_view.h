// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bytes of the buffer as rows of an address, 16 bytes in hex and the
// same bytes as text. It paints only the rows in sight, straight from the
// model, and keeps nothing per row: a chip of a megabyte opens as quickly
// and costs as little as one of a kilobyte. One byte is current; the
// keyboard moves it, and a screen reader reads its address and value as the
// view's accessible name.

#include <QAbstractScrollArea>
#include <cstdint>
#include <optional>

#include "window/buffer_model.h"

namespace dspprog {

class HexView final : public QAbstractScrollArea {
    Q_OBJECT

public:
    HexView(const BufferModel& model, QWidget* parent = nullptr);

    // After the model was given another buffer: no byte is current.
    void Reset();

    std::optional<std::uint32_t> CurrentAddress() const { return current_; }
    // Makes the byte at `address` current and scrolls it into sight, in the
    // middle of the view when it was out of sight.
    void SetCurrent(std::uint32_t address);

    // Where the byte's hex cell is in the viewport; empty when out of sight.
    QRect ByteRect(std::uint32_t address) const;
    // The byte painted at `point` of the viewport, hex cell or text.
    std::optional<std::uint32_t> AddressAt(QPoint point) const;

    QSize sizeHint() const override;

signals:
    void CurrentChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Columns in characters of the fixed font, from the left edge.
    static constexpr int kAddressChars = 8;
    static constexpr int kHexChars = BufferModel::kRowBytes * 3;
    static constexpr int kTextStart = kAddressChars + kHexChars + 1;
    static constexpr int kWidthChars = kTextStart + BufferModel::kRowBytes + 1;

    void Measure();
    void UpdateScrollBars();
    int VisibleRows() const;
    int Left() const;  // the x of the content's left edge after scrolling
    QRect TextCellRect(std::uint32_t address) const;

    const BufferModel& model_;
    std::optional<std::uint32_t> current_;
    int char_width_ = 0;
    int row_height_ = 0;
};

}  // namespace dspprog
