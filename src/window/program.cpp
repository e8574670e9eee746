// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/program.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <memory>

#include "base/locale_separator.h"
#include "catalogue/catalogue_location.h"
#include "catalogue/chip_table.h"
#include "emulator/emulated_programmer.h"
#include "link/link.h"
#include "link/platform_link.h"
#include "operations/file_roles.h"
#include "operations/session.h"
#include "operations/startup.h"
#include "window/critical_error_dialog.h"
#include "window/fatal_report.h"
#include "window/main_window.h"
#include "window/qt_operator.h"
#include "window/window_handlers.h"
#include "window/window_options.h"

// The icon lives in a resource of this static library, which is registered by
// hand; the macro must be used outside any namespace.
static void RegisterIconResource() {
    Q_INIT_RESOURCE(dspprog);
}

namespace dspprog {

namespace {

constexpr int kUsageExitStatus = 2;

int UsageError(const std::string& message) {
    std::fprintf(stderr, "dspprog: %s\n", message.c_str());
    return kUsageExitStatus;
}

}  // namespace

int RunWindow(InterfaceEnumerator& enumerator, LinkBackend& backend, Clock& clock,
              const FileRoles& files) {
    const std::string& catalogue_path = files.catalogue;
    MainWindow window;
    // No parent: the prompt has its own window, centred on the desktop.
    CriticalErrorDialog critical;
    QtOperator op(window, critical);
    op.GuardFiles(files);
    Link link(backend, clock, op);
    std::unique_ptr<ChipTable> catalogue = MakeChipTable(catalogue_path);
    Session session(link, *catalogue, op);
    session.DecimalSeparator = LocaleDecimalSeparator();

    try {
        StartUp(enumerator, link);
    } catch (const FatalStop& stop) {
        link.Close();
        return ReportFatalStop(stop, nullptr);
    }

    WindowHandlers handlers(window, session);
    // Queued: the exit takes effect once the fatal path has returned to the loop.
    QObject::connect(
        &handlers, &WindowHandlers::ExitRequested, qApp,
        [](int status) { QCoreApplication::exit(status); }, Qt::QueuedConnection);

    window.show();
    const int status = QApplication::exec();
    link.Close();
    return status;
}

int RunDspprog(const QStringList& arguments, Clock& clock) {
    RegisterIconResource();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/dspprog.png")));
    // Lets the desktop match the window with the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("dspprog"));

    WindowOptions options;
    QString text;
    switch (ParseWindowOptions(arguments, options, text)) {
        case OptionsVerdict::Help:
            std::fputs(text.toLocal8Bit().constData(), stdout);
            return 0;
        case OptionsVerdict::Error:
            return UsageError(text.toStdString());
        case OptionsVerdict::Run:
            break;
    }

    FileRoles roles;
    roles.catalogue =
        LocateCatalogue(ProcessCatalogueEnvironment(options.catalogue)).path;
    if (options.emulate) {
        roles.chip_file = options.emulate->chip_file;
        roles.wire_log = options.emulate->wire_log;
    }
    std::string error;
    if (!CheckFileRoles(roles, error)) return UsageError(error);

    if (options.emulate) {
        std::unique_ptr<emu::EmulatedProgrammer> programmer =
            emu::EmulatedProgrammer::Create(*options.emulate, roles.catalogue, clock, error);
        if (!programmer) return UsageError(error);
        return RunWindow(programmer->enumerator(), programmer->backend(), clock, roles);
    }
    PlatformLink platform = MakePlatformLink(options.usb, error);
    if (!platform.backend) return UsageError(error);
    return RunWindow(*platform.enumerator, *platform.backend, clock, roles);
}

}  // namespace dspprog
