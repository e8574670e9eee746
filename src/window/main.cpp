// SPDX-License-Identifier: GPL-3.0-or-later
// dspprog: the operator's window of the chip programmer.

#include <QApplication>

#include "link/clock.h"
#include "window/program.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    dspprog::SteadyClock clock;
    return dspprog::RunDspprog(QApplication::arguments(), clock);
}
