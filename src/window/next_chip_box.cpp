// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/next_chip_box.h"

#include <QMessageBox>
#include <QPushButton>

#include "production/series_run.h"
#include "window/main_window.h"

namespace dspprog {

NextChip NextChipBox::AskNext(const SeriesCounts& counts) {
    NextChip answer = NextChip::Finish;
    QMetaObject::invokeMethod(
        &window_,
        [&] {
            window_.ShowSeriesCounts(QString::fromStdString(CountsLine(counts)).trimmed());
            QMessageBox box(QMessageBox::Question, "Серия", "Вставьте следующий чип",
                            QMessageBox::NoButton, &window_);
            box.setObjectName("NextChipBox");
            QPushButton* next = box.addButton("Далее", QMessageBox::AcceptRole);
            next->setObjectName("NextChip");
            box.addButton("Закончить", QMessageBox::RejectRole)->setObjectName("EndSeries");
            box.setDefaultButton(next);
            box.exec();
            answer = box.clickedButton() == next ? NextChip::Go : NextChip::Finish;
        },
        Qt::BlockingQueuedConnection);
    return answer;
}

}  // namespace dspprog
