// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/program.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <memory>

#include "link/device_choice.h"
#include "operations/startup.h"
#include "startup/exit_status.h"
#include "startup/programmer.h"
#include "startup/run_files.h"
#include "window/fatal_report.h"
#include "window/qt_translations.h"
#include "window/window_options.h"
#include "window/window_wiring.h"

// The icon lives in a resource of this static library, which is registered by
// hand; the macro must be used outside any namespace.
static void RegisterIconResource() {
    Q_INIT_RESOURCE(dspprog);
}

namespace dspprog {

namespace {

int UsageError(const std::string& message) {
    std::fprintf(stderr, "dspprog: %s\n", message.c_str());
    return kExitUsage;
}

}  // namespace

int RunWindow(InterfaceEnumerator& enumerator, LinkBackend& backend, Clock& clock,
              const FileRoles& files, Programmer* programmer,
              const std::vector<ProgrammerEntry>& among) {
    WindowWiring wiring(backend, clock, files);
    wiring.handlers.SetProgrammer(programmer);
    try {
        std::vector<std::uint32_t> members;
        for (const ProgrammerEntry& entry : among) members.push_back(entry.member);
        SubsetEnumerator chosen(enumerator, std::move(members));
        StartUp(among.empty() ? enumerator : chosen, wiring.link);
    } catch (const FatalStop& stop) {
        wiring.link.Close();
        return ReportFatalStop(stop, nullptr);
    }

    // Queued: the exit takes effect once the fatal path has returned to the loop.
    QObject::connect(
        &wiring.handlers, &WindowHandlers::ExitRequested, qApp,
        [](int status) { QCoreApplication::exit(status); }, Qt::QueuedConnection);

    wiring.ChooseAmong(enumerator, programmer ? programmer->plug_notifier() : nullptr);
    wiring.handlers.ShowProgrammer();
    QObject::connect(
        wiring.selector.get(), &DeviceSelector::ExitRequested, qApp,
        [](int status) { QCoreApplication::exit(status); }, Qt::QueuedConnection);

    wiring.window.show();
    const int status = QApplication::exec();
    wiring.link.Close();
    return status;
}

int RunDspprog(const QStringList& arguments, Clock& clock) {
    RegisterIconResource();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/dspprog.png")));
    // Lets the desktop match the window with the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("dspprog"));
    // Where QSettings keeps the operator's choices.
    QCoreApplication::setOrganizationName(QStringLiteral("dspprog"));
    QCoreApplication::setApplicationName(QStringLiteral("dspprog"));
    InstallQtTranslations();

    StartOptions options;
    QString text;
    switch (ParseWindowOptions(arguments, options, text)) {
        case OptionsVerdict::Help:
            std::fputs(text.toLocal8Bit().constData(), stdout);
            return kExitSucceeded;
        case OptionsVerdict::Error:
            return UsageError(text.toStdString());
        case OptionsVerdict::Run:
            break;
    }

    RunFiles files;
    std::string error;
    if (!ChooseRunFiles(options, ProcessCatalogueEnvironment(std::nullopt), FileRoles{}, files,
                        error))
        return UsageError(error);
    std::unique_ptr<Programmer> programmer;
    try {
        programmer = Programmer::Open(options, files.roles.catalogue, clock, error);
    } catch (const FatalStop& stop) {
        return ReportFatalStop(stop, nullptr);
    }
    if (!programmer) return UsageError(error);
    if (options.device && *options.device == kAllDevices)
        return UsageError(OptionFlag(StartOption::Device) +
                          " all runs a command on every programmer at once; that is "
                          "dspprog-cli's, the window works with one");
    std::vector<ProgrammerEntry> chosen;
    if (!ChooseDevices(*programmer, options.device, chosen, error)) return UsageError(error);
    return RunWindow(programmer->enumerator(), programmer->backend(), clock, files.roles,
                     programmer.get(), chosen);
}

}  // namespace dspprog
