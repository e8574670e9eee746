// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window and everything behind it, wired up: the program and the tests
// build it with this one class, so they cannot wire it differently.

#include <QSettings>
#include <memory>

#include "catalogue/chip_table.h"
#include "link/clock.h"
#include "link/link.h"
#include "link/pipe.h"
#include "operations/session.h"
#include "startup/file_roles.h"
#include "window/critical_error_dialog.h"
#include "window/device_selector.h"
#include "window/job_actions.h"
#include "window/main_window.h"
#include "window/qt_operator.h"
#include "window/window_handlers.h"

namespace dspprog {

class WindowWiring {
public:
    // A link on `backend`, not yet open; the session on the catalogue of
    // `files`, whose other files the file dialogs refuse as images.
    WindowWiring(LinkBackend& backend, Clock& clock, const FileRoles& files);

    MainWindow window;
    // No parent: the prompt has its own window, centred on the desktop.
    CriticalErrorDialog critical;
    QtOperator op;
    Link link;
    std::unique_ptr<ChipTable> catalogue;
    Session session;
    // The operator's choices kept between runs (the series' setup).
    QSettings settings;
    WindowHandlers handlers;
    // "Файл" → "Задание…" and "Сохранить задание…".
    JobActions jobs;
    // Made by ChooseAmong once the link is open; null until then.
    std::unique_ptr<DeviceSelector> selector;

    // Lets the operator choose among the programmers `enumerator` shows,
    // looking again when `notifier` (if any) tells of a change.
    void ChooseAmong(InterfaceEnumerator& enumerator, PlugNotifier* notifier = nullptr);
};

}  // namespace dspprog
