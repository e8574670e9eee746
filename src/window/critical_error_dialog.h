// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// FormCriticalError: the prompt for a transfer that did not finish in time.
// The operator waits further or ends the program.

#include <QDialog>

class QLabel;
class QPushButton;

namespace dspprog {

class CriticalErrorDialog : public QDialog {
    Q_OBJECT

public:
    explicit CriticalErrorDialog(QWidget* parent = nullptr);

    // Shows `message` modally, centred on the screen. Returns 3 for
    // "Завершить", 4 for "Подождать", 2 when the dialog was closed any other
    // way (title bar, Escape) — which the link takes as waiting.
    int ShowCriticalError(const QString& message);

    QLabel* Label1;
    QPushButton* WaitB;
    QPushButton* CloseB;

public slots:
    void reject() override;
};

}  // namespace dspprog
