// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/fatal_report.h"

#include <QMessageBox>

#include "window/qt_operator.h"

namespace dspprog {

int ReportFatalStop(const FatalStop& stop, QWidget* parent) {
    if (stop.kind() == FatalStop::Kind::Halt) {
        QMessageBox box(QMessageBox::Critical, kErrorBoxTitle,
                        QString::fromStdString(stop.BoxText()), QMessageBox::Ok, parent);
        box.setObjectName("FatalStopBox");
        box.exec();
    }
    return kExitStopped;
}

}  // namespace dspprog
