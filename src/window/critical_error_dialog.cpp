// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/critical_error_dialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "link/fatal_stop.h"

namespace dspprog {

CriticalErrorDialog::CriticalErrorDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("FormCriticalError");
    setWindowTitle("Критическая ошибка");
    resize(383, 213);
    setModal(true);

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignCenter);

    WaitB = new QPushButton("Подождать", this);
    WaitB->setObjectName("WaitB");
    CloseB = new QPushButton("Завершить", this);
    CloseB->setObjectName("CloseB");
    // Enter must not end the program by accident.
    WaitB->setDefault(true);
    CloseB->setAutoDefault(false);

    connect(WaitB, &QPushButton::clicked, this, [this] { done(CriticalPrompt::kRetry); });
    connect(CloseB, &QPushButton::clicked, this, [this] { done(CriticalPrompt::kAbort); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(WaitB);
    buttons->addWidget(CloseB);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1, 1);
    layout->addLayout(buttons);
}

int CriticalErrorDialog::ShowCriticalError(const QString& message) {
    Label1->setText(message);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    return exec();
}

void CriticalErrorDialog::reject() {
    done(CriticalPrompt::kClosed);
}

}  // namespace dspprog
