// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's choice among several programmers: the selector above the log
// lists them (serial and location), follows programmers being plugged in and
// removed, and moves the link to the one the operator picks.

#include <QObject>
#include <QTimer>
#include <vector>

#include "link/discovery.h"
#include "link/link.h"
#include "link/programmer_list.h"

namespace dspprog {

class MainWindow;
class WindowHandlers;

class DeviceSelector final : public QObject {
    Q_OBJECT

public:
    // How often the programmers present are looked at again.
    static constexpr int kPollMs = 2000;

    // `link` is open on one of the programmers `enumerator` shows, or about
    // to be; Refresh shows them.
    DeviceSelector(MainWindow& window, WindowHandlers& handlers, InterfaceEnumerator& enumerator,
                   Link& link);

    // Looks at the programmers present and shows them; hidden with one or none.
    void Refresh();
    // What the selector shows now.
    const std::vector<ProgrammerEntry>& shown() const { return shown_; }

signals:
    // Opening the chosen programmer ended the program; its message has been shown.
    void ExitRequested(int status);

private:
    void OnChosen(int index);

    MainWindow& window_;
    WindowHandlers& handlers_;
    InterfaceEnumerator& enumerator_;
    Link& link_;
    std::vector<ProgrammerEntry> shown_;
    QTimer poll_;
};

}  // namespace dspprog
