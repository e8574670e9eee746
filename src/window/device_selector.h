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
#include "link/plug_notifier.h"
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
    // to be; Refresh shows them. `notifier`, when given and able, replaces
    // the poll; it must outlive the selector.
    DeviceSelector(MainWindow& window, WindowHandlers& handlers, InterfaceEnumerator& enumerator,
                   Link& link, PlugNotifier* notifier = nullptr);
    ~DeviceSelector() override;
    DeviceSelector(const DeviceSelector&) = delete;
    DeviceSelector& operator=(const DeviceSelector&) = delete;

    // Looks at the programmers present and shows them; hidden with one or none.
    void Refresh();
    // What the selector shows now.
    const std::vector<ProgrammerEntry>& shown() const { return shown_; }

signals:
    // Opening the chosen programmer ended the program; its message has been shown.
    void ExitRequested(int status);

private:
    void OnChosen(int index);
    // A programmer came or went, or the poll came round.
    void OnChanged();

    MainWindow& window_;
    WindowHandlers& handlers_;
    InterfaceEnumerator& enumerator_;
    Link& link_;
    std::vector<ProgrammerEntry> shown_;
    // Null, or the notifier that was started.
    PlugNotifier* notifier_ = nullptr;
    // The poll; with a notifier, only the retry of a change that came while
    // an operation ran.
    QTimer poll_;
};

}  // namespace dspprog
