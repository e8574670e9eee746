// SPDX-License-Identifier: GPL-3.0-or-later
// The public Programmer over the layers: opening is start-up's (the backend
// table, the device choice, the session), each operation is a run plan of
// one chip run by the one executor, and what the run found becomes a result
// or one of the library's errors.
#include "library/internal_names.h"

#include <filesystem>
#include <memory>
#include <set>
#include <string_view>
#include <utility>

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

#include "catalogue/catalogue_location.h"
#include "catalogue/chip_table.h"
#include "image/checksums.h"
#include "library/library_operator.h"
#include "library/temporary_image.h"
#include "link/device_choice.h"
#include "operations/startup.h"
#include "startup/exit_status.h"
#include "startup/operation_table.h"
#include "startup/programmer_session.h"
#include "startup/start_options.h"

#include "dspprog/programmer.h"

namespace dspprog::v0 {

namespace {

// A whole run is never asked for a next chip: the library runs one.
class NoNextChip final : public NextChipPrompt {
public:
    NextChip AskNext(const SeriesCounts&) override { return NextChip::Finish; }
};

// The options as the command line would take them, through the same table.
StartOptions StartOptionsOf(const OpenOptions& options) {
    StartOptions start;
    std::set<StartOption> given;
    const auto apply = [&](StartOption id, const std::string& value) {
        std::string error;
        if (!ApplyStartOption(id, value, start, error)) throw BadInput(error);
        given.insert(id);
    };
    if (options.device && *options.device != kAllDevices)
        apply(StartOption::Device, *options.device);
    if (options.backend) apply(StartOption::Usb, *options.backend);
    if (options.catalogue) apply(StartOption::Catalogue, *options.catalogue);
    if (!options.emulated.empty()) {
        std::string chips;
        std::string files;
        bool any_file = false;
        for (const EmulatedProgrammer& one : options.emulated) {
            if (one.chip.empty() || one.chip.find(',') != std::string::npos)
                throw BadInput("emulated chip '" + one.chip + "' is not one chip");
            chips += (chips.empty() ? "" : ",") + one.chip;
        }
        apply(StartOption::Emulate, chips);
        for (std::size_t n = 0; n < options.emulated.size(); ++n) {
            const EmulatedProgrammer& one = options.emulated[n];
            if (one.chip_file) any_file = true;
            files += (n == 0 ? "" : ",") + one.chip_file.value_or("");
            for (const std::string& fault : one.faults)
                apply(StartOption::Fault, std::to_string(n + 1) + ":" + fault);
            if (one.ident) {
                if (n > 0) throw BadInput("ident is taken for the first emulated programmer alone");
                apply(StartOption::Ident, *one.ident);
            }
        }
        if (any_file) {
            // Every emulated programmer keeps its chip somewhere when any does.
            for (const EmulatedProgrammer& one : options.emulated)
                if (!one.chip_file) throw BadInput("chip_file is given for some programmers only");
            apply(StartOption::ChipFile, files);
        }
        if (options.fast) apply(StartOption::Fast, "");
    }
    std::string error;
    if (!CheckStartOptions(given, start, error)) throw BadInput(error);
    return start;
}

// The folder the programs of the library's own installation are in: the
// installed catalogue is found from it as the programs find it, whichever
// program (a script's Python, a test rig) has loaded the library.
std::string InstalledProgramDir() {
#if defined(_WIN32)
    return {};
#else
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&InstalledProgramDir), &info) == 0 ||
        info.dli_fname == nullptr)
        return {};
    // The library's real folder: /lib is /usr/lib on a merged system, and
    // the loader may name either.
    std::error_code error;
    const std::filesystem::path library = std::filesystem::canonical(info.dli_fname, error);
    if (error) return {};
    return (library.parent_path() / DSPPROG_LIBDIR_TO_BINDIR).lexically_normal().string();
#endif
}

std::string CataloguePath(const OpenOptions& options) {
    CatalogueEnvironment environment = ProcessCatalogueEnvironment(options.catalogue);
    if (const std::string own = InstalledProgramDir(); !own.empty())
        environment.executable_dir = own;
    return LocateCatalogue(environment).path;
}

[[noreturn]] void ThrowStop(const FatalStop& stop) {
    const std::string& message = stop.message();
    if (message.starts_with(kCatalogueOpenError)) throw BadInput(message);
    if (message == kProgrammerGone || message == kNoProgrammer ||
        message.starts_with("Ошибка открытия"))
        throw ProgrammerGone(message);
    throw ChipFailure(message.empty() ? std::string("Операция прервана") : message);
}

// Opens the backends `options` choose, with the stops of opening as errors.
std::shared_ptr<library::Backends> OpenBackends(const OpenOptions& options, Clock& clock,
                                                const std::string& catalogue_path) {
    const StartOptions start = StartOptionsOf(options);
    std::string error;
    std::unique_ptr<library::Backends> opened;
    try {
        opened = library::Backends::Open(start, catalogue_path, clock, error);
    } catch (const FatalStop& stop) {
        ThrowStop(stop);
    }
    if (!opened) throw BadInput(error);
    return opened;
}

ProgrammerInfo InfoOf(const ProgrammerEntry& entry) {
    return {entry.number, entry.facts.serial, entry.facts.location, entry.path,
            entry.facts.problem};
}

ChipInfo ChipOf(const ChipRecord& chip) {
    static const char* const kDigits = "0123456789ABCDEF";
    std::string code;
    for (const std::uint8_t byte : {chip.ManufCode, chip.DevCode}) {
        code += kDigits[byte >> 4];
        code += kDigits[byte & 15];
    }
    return {chip.Name, code, chip.Size};
}

Sums SumsOfImage(const ImageSums& sums) {
    return {sums.sum16, sums.crc32};
}

}  // namespace

struct Programmer::Impl {
    Impl(std::shared_ptr<library::Backends> opened, std::shared_ptr<SteadyClock> steady,
         Clock& time, std::string path, const StallPolicy& stall)
        : clock(std::move(steady)),
          backends(std::move(opened)),
          catalogue_path(std::move(path)),
          op(time) {
        op.stall_limit_ms = std::uint64_t{stall.wait_seconds} * 1000;
    }

    // Connects to `entry` (the first one found without it).
    void Connect(Clock& time, const std::optional<ProgrammerEntry>& entry) {
        std::vector<ProgrammerEntry> among;
        if (entry) among.push_back(*entry);
        try {
            // Deadlines kept: a stall is noticed within a second, whatever the phase.
            session = std::make_unique<ProgrammerSession>(*backends, among, op, time,
                                                          catalogue_path, true);
        } catch (const FatalStop& stop) {
            ThrowStop(stop);
        }
        identity = backends->Identity(session->link());
        if (entry) {
            info = InfoOf(*entry);
        } else {
            info.serial = identity.serial;
            info.location = identity.location;
            info.path = session->link().DevicePath;
        }
    }

    // One operation as a plan of one chip. Whatever went wrong is thrown.
    RunOutcome Run(const char* command, const std::optional<std::string>& image,
                   const ImageOptions& options) {
        if (!session) throw ProgrammerGone("Программатор нужно открыть заново");
        RunPlan plan;
        plan.operation = OperationNamed(command);
        plan.image = image;
        plan.image_format =
            options.format
                ? std::optional<library::Form>(static_cast<library::Form>(*options.format))
                : std::nullopt;
        plan.offset = options.offset;
        plan.pad = options.pad;
        plan.erase_first = options.erase_first;
        // A compare keeps the chip's sums for its result.
        plan.sums = std::string_view(command) == "verify";
        op.image = image;
        op.Begin();
        PlanFiles files;
        NoNextChip no_next;
        RunOutcome outcome;
        try {
            outcome = RunOnSession(plan, session->session(), backends.get(), files, no_next);
        } catch (const FatalStop& stop) {
            session.reset();
            ThrowStop(stop);
        } catch (...) {
            // A stall given up, a cancel, or a callback that threw: the
            // programmer may be in the middle of a transfer.
            session.reset();
            throw;
        }
        CheckChipFiles();
        if (outcome.status == kExitUsage) throw BadInput(outcome.reason);
        return outcome;
    }

    // An emulated chip that could not keep a change has lost it.
    void CheckChipFiles() {
        for (std::size_t n = 0; n < backends->emulated_count(); ++n)
            if (backends->emulated(n)->firmware().backing_failed())
                throw ChipFailure("Эмулируемый чип не удаётся сохранить в файл");
    }

    std::shared_ptr<SteadyClock> clock;
    std::shared_ptr<library::Backends> backends;
    std::string catalogue_path;
    library::LibraryOperator op;
    ProgrammerIdentity identity;
    ProgrammerInfo info;
    // Destroyed before the backends: the link talks to them.
    std::unique_ptr<ProgrammerSession> session;
};

std::string LibraryVersion() {
    return DSPPROG_VERSION;
}

Programmer::Programmer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Programmer::Programmer(Programmer&&) noexcept = default;
Programmer& Programmer::operator=(Programmer&&) noexcept = default;
Programmer::~Programmer() = default;

Programmer Programmer::Open(const OpenOptions& options) {
    if (options.device && *options.device == kAllDevices)
        throw BadInput("device 'all' opens several programmers: use OpenAll");
    auto clock = std::make_shared<SteadyClock>();
    const std::string path = CataloguePath(options);
    auto backends = OpenBackends(options, *clock, path);
    std::vector<ProgrammerEntry> chosen;
    std::string error;
    if (!ChooseDevices(*backends, options.device, chosen, error)) throw BadInput(error);
    if (!chosen.empty() && !chosen.front().facts.problem.empty())
        throw ProgrammerGone(chosen.front().path + ": " + chosen.front().facts.problem);
    auto impl = std::make_unique<Impl>(backends, clock, *clock, path, options.stall);
    impl->Connect(*clock, chosen.empty() ? std::nullopt : std::optional(chosen.front()));
    return Programmer(std::move(impl));
}

std::vector<Programmer> Programmer::OpenAll(const OpenOptions& options) {
    auto clock = std::make_shared<SteadyClock>();
    const std::string path = CataloguePath(options);
    auto backends = OpenBackends(options, *clock, path);
    std::vector<ProgrammerEntry> chosen;
    std::string error;
    if (!ChooseDevices(*backends, options.device.value_or(kAllDevices), chosen, error))
        throw BadInput(error);
    std::vector<Programmer> all;
    for (const ProgrammerEntry& entry : chosen) {
        if (!entry.facts.problem.empty())
            throw ProgrammerGone(entry.path + ": " + entry.facts.problem);
        auto impl = std::make_unique<Impl>(backends, clock, *clock, path, options.stall);
        impl->Connect(*clock, entry);
        all.push_back(Programmer(std::move(impl)));
    }
    if (all.empty()) throw ProgrammerGone(kNoProgrammer);
    return all;
}

std::vector<ProgrammerInfo> Programmer::List(const OpenOptions& options) {
    SteadyClock clock;
    const auto backends = OpenBackends(options, clock, CataloguePath(options));
    std::vector<ProgrammerInfo> list;
    for (const ProgrammerEntry& entry : backends->List()) list.push_back(InfoOf(entry));
    return list;
}

ProgrammerInfo Programmer::Info() const {
    return impl_->info;
}

ChipInfo Programmer::Identify() {
    const RunOutcome outcome = impl_->Run("identify", std::nullopt, {});
    if (outcome.status != kExitSucceeded) throw ChipFailure(outcome.reason);
    return ChipOf(outcome.chip);
}

ReadResult Programmer::Read() {
    RunOutcome outcome = impl_->Run("read", std::nullopt, {});
    if (outcome.status != kExitSucceeded) throw ChipFailure(outcome.reason);
    ReadResult result{ChipOf(outcome.chip), std::move(outcome.findings.content), {}};
    result.sums = SumsOf(result.bytes);
    return result;
}

void Programmer::Erase() {
    const RunOutcome outcome = impl_->Run("erase", std::nullopt, {});
    if (outcome.status != kExitSucceeded) throw ChipFailure(outcome.reason);
}

void Programmer::Write(std::span<const std::uint8_t> image, const ImageOptions& options) {
    const library::TemporaryImage file(image);
    WriteFile(file.path(), options);
}

void Programmer::WriteFile(const std::string& path, const ImageOptions& options) {
    const RunOutcome outcome = impl_->Run("write", path, options);
    if (outcome.status != kExitSucceeded) throw ChipFailure(outcome.reason);
}

VerifyResult Programmer::Verify(std::span<const std::uint8_t> image, const ImageOptions& options) {
    const library::TemporaryImage file(image);
    return VerifyFile(file.path(), options);
}

VerifyResult Programmer::VerifyFile(const std::string& path, const ImageOptions& options) {
    const RunOutcome outcome = impl_->Run("verify", path, options);
    const OperationFindings& found = outcome.findings;
    // Differing bytes are the answer; anything else that failed is not.
    if (outcome.status != kExitSucceeded && found.differing == 0) throw ChipFailure(outcome.reason);
    VerifyResult result;
    result.chip = ChipOf(outcome.chip);
    result.equal = found.differing == 0;
    result.differing = found.differing;
    result.differences = found.differing_addresses;
    if (found.chip_sums) result.chip_sums = SumsOfImage(*found.chip_sums);
    result.image_sums = SumsOf(found.content);
    return result;
}

SpeedResult Programmer::Speed() {
    const RunOutcome outcome = impl_->Run("speed", std::nullopt, {});
    SpeedResult result;
    for (const auto& [pipe, speed] : outcome.findings.speeds) {
        if (pipe == "CmdOut") result.command_pipe = speed;
        if (pipe == "MainOut") result.data_pipe = speed;
    }
    return result;
}

void Programmer::OnProgress(ProgressCallback callback) {
    impl_->op.progress = std::move(callback);
}

void Programmer::OnLog(LogCallback callback) {
    impl_->op.log = std::move(callback);
}

void Programmer::Cancel() {
    impl_->op.Cancel();
}

}  // namespace dspprog::v0
