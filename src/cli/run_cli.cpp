// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/run_cli.h"

#include <exception>
#include <ostream>
#include <memory>

#include "catalogue/catalogue_export.h"
#include "catalogue/chip_table.h"
#include "cli/cli_options.h"
#include "cli/terminal_operator.h"
#include "emulator/emulated_programmer.h"
#include "link/link.h"
#include "link/platform_link.h"
#include "operations/erase_chip.h"
#include "operations/file_roles.h"
#include "operations/identify.h"
#include "operations/read_chip.h"
#include "operations/session.h"
#include "operations/speed_test.h"
#include "operations/verify_chip.h"
#include "operations/startup.h"
#include "operations/write_chip.h"

namespace dspprog {

namespace {

constexpr const char* kProgram = "dspprog-cli: ";

int UsageError(std::ostream& err, const std::string& error) {
    err << kProgram << error << "\nTry 'dspprog-cli --help'.\n";
    return kExitUsage;
}

Outcome RunCommand(CliCommand command, Session& session) {
    switch (command) {
        case CliCommand::Identify:
            return GetIdentClick(session);
        case CliCommand::Read:
            return ReadClick(session);
        case CliCommand::Erase:
            return EreaseChipClick(session);
        case CliCommand::Write:
            return WriteChipButtonClick(session);
        case CliCommand::Verify:
            return CompareClick(session);
        case CliCommand::Speed:
            return Button1Click(session);
        case CliCommand::None:
        case CliCommand::Chips:
            break;
    }
    return Outcome::Failed;
}

// The files the command line names, each in its part.
FileRoles RolesOf(const CliOptions& options, const std::string& catalogue) {
    FileRoles roles;
    roles.catalogue = catalogue;
    if (options.emulate) {
        roles.chip_file = options.emulator.chip_file;
        roles.wire_log = options.emulator.wire_log;
    }
    roles.output = options.output;
    if (TakesImage(options.command)) roles.image = options.image;
    return roles;
}

// The chips command: the catalogue alone, no programmer.
int ListOrCopyChips(const CliOptions& options, ChipTable& catalogue, std::ostream& out,
                    std::ostream& err) {
    const std::vector<ChipRow> rows = ReadChipRows(catalogue);
    if (!options.to_sqlite) {
        for (const std::string& line : ChipListing(rows)) out << line << '\n';
        return kExitSucceeded;
    }
    const std::string& copy = *options.to_sqlite;
    switch (WriteSqliteCatalogue(rows, copy)) {
        case CatalogueCopyResult::Written:
            err << kProgram << rows.size() << " rows copied to '" << copy << "'\n";
            return kExitSucceeded;
        case CatalogueCopyResult::TargetExists:
            err << kProgram << "--to-sqlite: '" << copy << "' exists; the copy replaces no file\n";
            return kExitUsage;
        case CatalogueCopyResult::CannotWrite:
            break;
    }
    err << kProgram << "--to-sqlite: cannot write '" << copy << "'\n";
    return kExitFailed;
}

// Start-up, then the one operation. Link and session live only in here, so
// that they are gone before the emulated programmer they may talk to.
int Run(const CliOptions& options, const CliEnvironment& environment, Clock& clock,
        TerminalOperator& op, ChipTable& catalogue, const std::string& catalogue_path,
        std::unique_ptr<emu::EmulatedProgrammer>& programmer, std::ostream& err) {
    PlatformLink platform;
    InterfaceEnumerator* enumerator = nullptr;
    LinkBackend* backend = nullptr;
    std::string error;
    if (options.emulate) {
        // A chip named by the catalogue cannot be set up without it; a
        // catalogue that will not open is the same stop the lookup makes.
        if (options.emulator.chip.find(':') == std::string::npos) {
            if (!catalogue.Open()) CriticalHalt(kCatalogueOpenError);
            catalogue.Close();
        }
        programmer =
            emu::EmulatedProgrammer::Create(options.emulator, catalogue_path, clock, error);
        if (!programmer) {
            err << kProgram << "--emulate: " << error << '\n';
            return kExitUsage;
        }
        enumerator = &programmer->enumerator();
        backend = &programmer->backend();
    } else {
        platform = MakePlatformLink(options.usb.value_or(""), error);
        if (!platform.enumerator || !platform.backend) {
            err << kProgram << "--usb: " << error << '\n';
            return kExitUsage;
        }
        enumerator = platform.enumerator.get();
        backend = platform.backend.get();
    }

    Link link(*backend, clock, op);
    StartUp(*enumerator, link);

    Session session(link, catalogue, op);
    session.CheckBoxNotWrite = !options.output;
    session.CheckBoxNotErase = options.no_erase;
    session.CheckBoxPad = options.pad;
    session.ImageOffset = options.offset;
    if (TakesImage(options.command)) session.ForcedImageFormat = options.format;
    session.DecimalSeparator = environment.decimal_separator;
    session.unfinished_files = environment.unfinished_files;
    switch (RunCommand(options.command, session)) {
        case Outcome::Succeeded:
            return kExitSucceeded;
        case Outcome::Unusable:
            // Told apart from a chip that differs or a write that failed: the
            // file never got as far as the chip.
            return kExitUsage;
        case Outcome::Failed:
        case Outcome::Cancelled:
        case Outcome::Refused:
            break;
    }
    return kExitFailed;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const CliEnvironment& environment) {
    CliOptions options;
    std::string error;
    if (!ParseCliArgs(args, options, error)) return UsageError(err, error);
    if (options.help) {
        out << UsageText();
        return kExitSucceeded;
    }
    CatalogueEnvironment places =
        environment.catalogue_places.value_or(ProcessCatalogueEnvironment(std::nullopt));
    places.explicit_file = options.catalogue;
    const CatalogueLocation location = LocateCatalogue(places);
    if (!CheckFileRoles(RolesOf(options, location.path), error)) return UsageError(err, error);

    SteadyClock steady_clock;
    Clock& clock = environment.clock ? *environment.clock : steady_clock;
    DialogAnswers answers;
    answers.save_file = options.output;
    if (TakesImage(options.command)) {
        answers.open_file = options.image;
    } else {
        answers.save_format = options.format;
    }
    answers.on_stall = options.on_stall;
    TerminalOperator op(out, err, environment.ask, answers, environment.progress);
    const std::unique_ptr<ChipTable> catalogue = MakeChipTable(location.path);

    std::unique_ptr<emu::EmulatedProgrammer> programmer;
    int status = kExitStopped;
    try {
        status = options.command == CliCommand::Chips
                     ? ListOrCopyChips(options, *catalogue, out, err)
                     : Run(options, environment, clock, op, *catalogue, location.path,
                           programmer, err);
    } catch (const FatalStop& stop) {
        // A stop can come in the middle of a data phase, with the bar drawn.
        op.WipeProgress();
        if (stop.kind() == FatalStop::Kind::Halt) err << stop.BoxText() << '\n';
        // The lookup's stop is the same whatever went wrong; when the search
        // order found no catalogue, say where it looked.
        if (stop.kind() == FatalStop::Kind::Halt && stop.message() == kCatalogueOpenError &&
            !options.catalogue && !location.found)
            err << kProgram << CatalogueSearchText(location) << '\n';
        status = kExitStopped;
    } catch (const std::exception& failure) {
        op.WipeProgress();
        err << kProgram << "internal error: " << failure.what() << '\n';
        status = kExitStopped;
    }
    out.flush();

    // Written after a stop as well: the blocks that led to it are the point.
    if (programmer && !programmer->WriteWireLog()) {
        err << kProgram << "cannot write the wire log '" << *options.emulator.wire_log << "'\n";
        if (status == kExitSucceeded) status = kExitFailed;
    }
    // The chip file is the emulated chip's memory: losing a change is a failure.
    if (programmer && programmer->firmware().backing_failed()) {
        err << kProgram << "cannot save the emulated chip to '" << *options.emulator.chip_file
            << "'\n";
        if (status == kExitSucceeded) status = kExitFailed;
    }
    return status;
}

}  // namespace dspprog
