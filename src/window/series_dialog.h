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
    QString serial_db;      // the database several stations share; empty: none
    QString serial_series;  // the series' name there; empty: the numbering
    QString log_file;                     // empty: no log; a postgresql:// URL: the database
};

WindowSeriesSetup LoadSeriesSetup(QSettings& settings);
void SaveSeriesSetup(QSettings& settings, const WindowSeriesSetup& setup);

// Shows the dialog over `parent`; true, with `setup` changed, when the
// operator accepts it. A numbering that cannot be read is refused with a box.
bool EditSeriesSetup(QWidget* parent, WindowSeriesSetup& setup);

}  // namespace dspprog
