// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/buffer_view.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace dspprog {

namespace {

QPushButton* MakeButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

// "1F00", "0x1F00" or "1F00h": addresses are hex everywhere in the window.
std::optional<std::uint32_t> ParseAddress(QString text) {
    text = text.trimmed();
    if (text.startsWith("0x", Qt::CaseInsensitive)) text.remove(0, 2);
    if (text.endsWith('h', Qt::CaseInsensitive)) text.chop(1);
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, 16);
    if (!ok || value > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

// "DE AD be ef" or "DEADBEEF"; nothing for an odd count of digits or a
// character that is not one.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(const QString& text) {
    QString digits = text;
    digits.remove(' ');
    if (digits.isEmpty() || digits.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        bool ok = false;
        const uint value = digits.mid(i, 2).toUInt(&ok, 16);
        if (!ok) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

}  // namespace

BufferView::BufferView(QWidget* parent) : QWidget(parent) {
    setObjectName("BufferView");
    Title = new QLabel("Буфер пуст", this);
    Title->setObjectName("BufferTitle");

    PreviousButton = MakeButton("PreviousDifference", "◀ Предыдущее отличие", this);
    PreviousButton->setToolTip("Shift+F8");
    NextButton = MakeButton("NextDifference", "Следующее отличие ▶", this);
    NextButton->setToolTip("F8");
    DifferenceCount = new QLabel(this);
    DifferenceCount->setObjectName("DifferenceCount");

    auto* address_label = new QLabel("&Адрес:", this);
    AddressEdit = new QLineEdit(this);
    AddressEdit->setObjectName("AddressEdit");
    AddressEdit->setPlaceholderText("1F00");
    AddressEdit->setMaximumWidth(90);
    address_label->setBuddy(AddressEdit);
    auto* go_button = MakeButton("GoToAddress", "Перейти", this);

    auto* find_label = new QLabel("&Найти:", this);
    FindEdit = new QLineEdit(this);
    FindEdit->setObjectName("FindEdit");
    find_label->setBuddy(FindEdit);
    FindKind = new QComboBox(this);
    FindKind->setObjectName("FindKind");
    FindKind->addItems({"байты (hex)", "текст"});
    auto* find_button = MakeButton("FindNext", "Найти далее", this);
    find_button->setToolTip("F3");
    Notice = new QLabel(this);
    Notice->setObjectName("BufferNotice");

    Table = new HexView(model_, this);
    Table->setObjectName("BufferTable");

    auto* navigation = new QHBoxLayout;
    navigation->addWidget(PreviousButton);
    navigation->addWidget(NextButton);
    navigation->addWidget(DifferenceCount);
    navigation->addStretch(1);
    navigation->addWidget(address_label);
    navigation->addWidget(AddressEdit);
    navigation->addWidget(go_button);
    auto* finding = new QHBoxLayout;
    finding->addWidget(find_label);
    finding->addWidget(FindEdit, 1);
    finding->addWidget(FindKind);
    finding->addWidget(find_button);
    finding->addWidget(Notice, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Title);
    layout->addLayout(navigation);
    layout->addLayout(finding);
    layout->addWidget(Table, 1);

    connect(PreviousButton, &QPushButton::clicked, this, &BufferView::PreviousDifference);
    connect(NextButton, &QPushButton::clicked, this, &BufferView::NextDifference);
    connect(go_button, &QPushButton::clicked, this, &BufferView::GoToTypedAddress);
    connect(AddressEdit, &QLineEdit::returnPressed, this, &BufferView::GoToTypedAddress);
    connect(find_button, &QPushButton::clicked, this, &BufferView::FindNext);
    connect(FindEdit, &QLineEdit::returnPressed, this, &BufferView::FindNext);
    connect(Table, &HexView::CurrentChanged, this, &BufferView::ShowDifferencePlace);

    // Anywhere in the window: the operator need not reach the view first.
    const auto shortcut = [this](const QKeySequence& keys, void (BufferView::*act)()) {
        auto* made = new QShortcut(keys, this);
        made->setContext(Qt::WindowShortcut);
        connect(made, &QShortcut::activated, this, act);
    };
    shortcut(QKeySequence::Find, &BufferView::StartFind);
    shortcut(QKeySequence(Qt::Key_F3), &BufferView::FindNext);
    shortcut(QKeySequence(Qt::Key_F8), &BufferView::NextDifference);
    shortcut(QKeySequence(Qt::SHIFT | Qt::Key_F8), &BufferView::PreviousDifference);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_G), &BufferView::StartGoTo);

    setTabOrder(Table, PreviousButton);
    setTabOrder(PreviousButton, NextButton);
    setTabOrder(NextButton, AddressEdit);
    setTabOrder(AddressEdit, go_button);
    setTabOrder(go_button, FindEdit);
    setTabOrder(FindEdit, FindKind);
    setTabOrder(FindKind, find_button);
    Show("Буфер пуст", {});
}

void BufferView::Show(const QString& title, std::vector<std::uint8_t> bytes,
                      std::vector<std::uint64_t> marks) {
    Title->setText(title);
    model_.SetBuffer(std::move(bytes), std::move(marks));
    Table->Reset();
    Notice->clear();
    const bool differ = model_.DifferenceCount() != 0;
    PreviousButton->setEnabled(differ);
    NextButton->setEnabled(differ);
    // The first difference, or the start, is where the operator begins.
    if (model_.bytes().empty()) return ShowDifferencePlace();
    GoTo(model_.NextDifference(std::nullopt).value_or(0));
}

void BufferView::NextDifference() {
    if (const auto next = model_.NextDifference(CurrentAddress())) GoTo(*next);
}

void BufferView::PreviousDifference() {
    if (const auto previous = model_.PreviousDifference(CurrentAddress().value_or(0)))
        GoTo(*previous);
}

// "Отличие 2 из 3" on a differing byte, "Отличий: 3" elsewhere.
void BufferView::ShowDifferencePlace() {
    const std::uint32_t count = model_.DifferenceCount();
    if (count == 0) {
        DifferenceCount->setText("Отличий нет");
        return;
    }
    const std::optional<std::uint32_t> at = CurrentAddress();
    if (at && model_.Differs(*at)) {
        DifferenceCount->setText(
            QString("Отличие %1 из %2").arg(model_.DifferencesBefore(*at) + 1).arg(count));
    } else {
        DifferenceCount->setText(QString("Отличий: %1").arg(count));
    }
}

void BufferView::GoToTypedAddress() {
    const std::optional<std::uint32_t> address = ParseAddress(AddressEdit->text());
    if (!address) {
        Notice->setText("Адрес пишется в шестнадцатеричном виде, например 1F00");
    } else if (*address >= model_.bytes().size()) {
        Notice->setText(
            QString("Адрес вне буфера (0–%1h)")
                .arg(HexText(
                    model_.bytes().empty() ? 0 : static_cast<unsigned>(model_.bytes().size() - 1),
                    1)));
    } else {
        Notice->clear();
        GoTo(*address);
        Table->setFocus();
    }
}

void BufferView::StartGoTo() {
    AddressEdit->setFocus();
    AddressEdit->selectAll();
}

void BufferView::StartFind() {
    FindEdit->setFocus();
    FindEdit->selectAll();
}

void BufferView::FindNext() {
    std::vector<std::uint8_t> pattern;
    if (FindKind->currentIndex() == 0) {
        const auto bytes = ParseHexBytes(FindEdit->text());
        if (!bytes) {
            Notice->setText("Байты пишутся парами шестнадцатеричных цифр, например DE AD BE EF");
            return;
        }
        pattern = *bytes;
    } else {
        const QByteArray text = FindEdit->text().toUtf8();
        pattern.assign(text.begin(), text.end());
    }
    const std::optional<std::uint32_t> found = model_.Find(pattern, CurrentAddress());
    if (!found) {
        Notice->setText("Не найдено");
        return;
    }
    Notice->clear();
    GoTo(*found);
}

}  // namespace dspprog
