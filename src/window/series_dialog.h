// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Серийный номер…": the serial number and the log of the window's series,
// remembered between runs.

#include <QString>

class QSettings;
class QWidget;

namespace dspprog {

struct WindowSeriesSetup {
    bool numbered = false;                // write a serial number into each chip
    QString numbering = "0x10:1:1:4:le";  // ADDR:START:STEP:BYTES:FORM
    QString serial_file;                  // empty: the numbers start at START each run
    QString log_file;                     // empty: no log
};

WindowSeriesSetup LoadSeriesSetup(QSettings& settings);
void SaveSeriesSetup(QSettings& settings, const WindowSeriesSetup& setup);

// Shows the dialog over `parent`; true, with `setup` changed, when the
// operator accepts it. A numbering that cannot be read is refused with a box.
bool EditSeriesSetup(QWidget* parent, WindowSeriesSetup& setup);

}  // namespace dspprog
