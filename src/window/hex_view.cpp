// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/hex_view.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace dspprog {

namespace {

constexpr int kRow = BufferModel::kRowBytes;

// The colour of a byte that differs from the chip, as the log marks errors.
const QColor kDifferingColor(255, 160, 160);

}  // namespace

HexView::HexView(const BufferModel& model, QWidget* parent)
    : QAbstractScrollArea(parent), model_(model) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setAutoFillBackground(false);
    Measure();
    Reset();
}

void HexView::Measure() {
    char_width_ = fontMetrics().horizontalAdvance('0');
    row_height_ = fontMetrics().height() + 4;
    setMinimumHeight(row_height_ * 7);
    UpdateScrollBars();
}

void HexView::Reset() {
    current_.reset();
    setAccessibleName(model_.bytes().empty() ? QString("Буфер пуст") : QString("Буфер"));
    UpdateScrollBars();
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

int HexView::VisibleRows() const {
    return std::max(1, (viewport()->height() - row_height_) / row_height_);
}

int HexView::Left() const {
    return char_width_ / 2 - horizontalScrollBar()->value();
}

void HexView::UpdateScrollBars() {
    const int rows = static_cast<int>(model_.RowCount());
    verticalScrollBar()->setRange(0, std::max(0, rows - VisibleRows()));
    verticalScrollBar()->setPageStep(VisibleRows());
    verticalScrollBar()->setSingleStep(1);
    const int width = kWidthChars * char_width_;
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(char_width_);
}

QSize HexView::sizeHint() const {
    const int frame = 2 * frameWidth();
    return {kWidthChars * char_width_ + frame + verticalScrollBar()->sizeHint().width(),
            row_height_ * 12 + frame};
}

QRect HexView::ByteRect(std::uint32_t address) const {
    const long long row = static_cast<long long>(address / kRow) - verticalScrollBar()->value();
    if (address >= model_.bytes().size() || row < 0 || row >= VisibleRows() + 1) return {};
    const int column = static_cast<int>(address % kRow);
    return {Left() + (kAddressChars + 3 * column) * char_width_ - char_width_ / 2,
            row_height_ * static_cast<int>(row + 1), 3 * char_width_, row_height_};
}

QRect HexView::TextCellRect(std::uint32_t address) const {
    const QRect cell = ByteRect(address);
    if (cell.isNull()) return {};
    const int column = static_cast<int>(address % kRow);
    return {Left() + (kTextStart + column) * char_width_, cell.y(), char_width_, row_height_};
}

std::optional<std::uint32_t> HexView::AddressAt(QPoint point) const {
    if (point.y() < row_height_ || char_width_ == 0) return std::nullopt;
    const long long row = verticalScrollBar()->value() + (point.y() - row_height_) / row_height_;
    const int x = point.x() - Left();
    int column = -1;
    const int hex_left = kAddressChars * char_width_ - char_width_ / 2;
    if (x >= hex_left && x < hex_left + 3 * kRow * char_width_) {
        column = (x - hex_left) / (3 * char_width_);
    } else if (x >= kTextStart * char_width_ && x < (kTextStart + kRow) * char_width_) {
        column = x / char_width_ - kTextStart;
    }
    const long long address = row * kRow + column;
    if (column < 0 || address >= static_cast<long long>(model_.bytes().size()))
        return std::nullopt;
    return static_cast<std::uint32_t>(address);
}

void HexView::SetCurrent(std::uint32_t address) {
    if (address >= model_.bytes().size()) return;
    current_ = address;
    const int row = static_cast<int>(address / kRow);
    const int first = verticalScrollBar()->value();
    if (row < first || row >= first + VisibleRows())
        verticalScrollBar()->setValue(row - VisibleRows() / 2);
    // A narrow view scrolls sideways to the byte as well.
    const QRect cell = ByteRect(address);
    if (cell.left() < 0 || cell.right() >= viewport()->width())
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + cell.center().x() -
                                        viewport()->width() / 2);
    // A screen reader hears of the change: Qt tells it of a new name.
    setAccessibleName(model_.Describe(address));
    viewport()->update();
    emit CurrentChanged();
}

void HexView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setFont(font());
    const QPalette& colours = palette();
    const int width = viewport()->width();
    painter.fillRect(viewport()->rect(), colours.base());
    painter.fillRect(0, 0, width, row_height_, colours.button());

    const auto text_at = [&](int column, int y, const QString& text) {
        painter.drawText(QRect(Left() + column * char_width_, y,
                               static_cast<int>(text.size()) * char_width_, row_height_),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
    };
    painter.setPen(colours.buttonText().color());
    text_at(0, 0, "Адрес");
    for (int column = 0; column < kRow; ++column)
        text_at(kAddressChars + 3 * column + 1, 0, HexText(static_cast<unsigned>(column), 1));
    text_at(kTextStart, 0, "Текст");

    const std::vector<std::uint8_t>& bytes = model_.bytes();
    const std::uint32_t first = static_cast<std::uint32_t>(verticalScrollBar()->value());
    const std::uint32_t end = std::min(model_.RowCount(), first + VisibleRows() + 1);
    const QColor current_colour = colours.color(QPalette::Active, QPalette::Highlight);
    for (std::uint32_t row = first; row < end; ++row) {
        const int y = row_height_ * static_cast<int>(row - first + 1);
        painter.setPen(colours.color(QPalette::PlaceholderText));
        text_at(0, y, HexText(row * kRow, 6));
        const std::uint32_t start = row * kRow;
        const std::uint32_t stop =
            static_cast<std::uint32_t>(std::min<std::size_t>(start + kRow, bytes.size()));
        for (std::uint32_t at = start; at < stop; ++at) {
            const bool is_current = current_ == at;
            if (is_current || model_.Differs(at)) {
                const QColor fill = is_current ? current_colour : kDifferingColor;
                painter.fillRect(ByteRect(at), fill);
                painter.fillRect(TextCellRect(at), fill);
            }
            painter.setPen(is_current ? colours.highlightedText().color()
                                      : colours.text().color());
            const int column = static_cast<int>(at - start);
            text_at(kAddressChars + 3 * column, y, HexText(bytes[at], 2));
            text_at(kTextStart + column, y, QString(ShownChar(bytes[at])));
        }
    }
}

void HexView::keyPressEvent(QKeyEvent* event) {
    const long long size = static_cast<long long>(model_.bytes().size());
    const long long at = current_.value_or(0);
    const long long page = static_cast<long long>(VisibleRows()) * kRow;
    const bool control = event->modifiers() & Qt::ControlModifier;
    long long to = 0;
    switch (event->key()) {
        case Qt::Key_Left: to = at - 1; break;
        case Qt::Key_Right: to = at + 1; break;
        case Qt::Key_Up: to = at - kRow; break;
        case Qt::Key_Down: to = at + kRow; break;
        case Qt::Key_PageUp: to = at - page; break;
        case Qt::Key_PageDown: to = at + page; break;
        case Qt::Key_Home: to = control ? 0 : at - at % kRow; break;
        case Qt::Key_End: to = control ? size - 1 : at - at % kRow + kRow - 1; break;
        default: return QAbstractScrollArea::keyPressEvent(event);
    }
    if (size == 0) return;
    // Up from the first row or down from the last stays in the same column.
    if (to < 0) to = event->key() == Qt::Key_Left ? 0 : at % kRow;
    if (to >= size) to = size - 1;
    const int first = verticalScrollBar()->value();
    const int row = static_cast<int>(to / kRow);
    // Step by step the view follows by as little as it must.
    if (row < first) verticalScrollBar()->setValue(row);
    if (row >= first + VisibleRows()) verticalScrollBar()->setValue(row - VisibleRows() + 1);
    SetCurrent(static_cast<std::uint32_t>(to));
}

void HexView::mousePressEvent(QMouseEvent* event) {
    if (const auto address = AddressAt(event->position().toPoint())) SetCurrent(*address);
    setFocus(Qt::MouseFocusReason);
}

void HexView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void HexView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) Measure();
}

}  // namespace dspprog
