// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/window_wiring.h"

#include "base/locale_separator.h"

namespace dspprog {

WindowWiring::WindowWiring(LinkBackend& backend, Clock& clock, const FileRoles& files)
    : op(window, critical),
      link(backend, clock, op),
      catalogue(MakeChipTable(files.catalogue)),
      session(link, *catalogue, op),
      handlers(window, session, settings),
      jobs(window, handlers, op, session) {
    op.GuardFiles(files);
    session.DecimalSeparator = LocaleDecimalSeparator();
}

void WindowWiring::ChooseAmong(InterfaceEnumerator& enumerator, PlugNotifier* notifier) {
    selector = std::make_unique<DeviceSelector>(window, handlers, enumerator, link, notifier);
    selector->Refresh();
}

}  // namespace dspprog
