// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/backend_table.h"

#include <algorithm>

#include "catalogue/chip_table.h"
#include "emulator/routing_backend.h"
#include "link/fatal_stop.h"
#ifdef DSPPROG_HAVE_LIBUSB
#include "link/usb/usb_platform_link.h"
#endif
#ifdef DSPPROG_HAVE_WIN32_LINK
#include "link/win32/native_platform_link.h"
#endif

namespace dspprog {

namespace {

#ifdef DSPPROG_HAVE_WIN32_LINK
bool OpenNative(const StartOptions&, const std::string&, Clock&, OpenedBackend& opened,
                std::string&) {
    opened.link = MakeNativePlatformLink();
    return true;
}
#endif

#ifdef DSPPROG_HAVE_LIBUSB
bool OpenLibusb(const StartOptions&, const std::string&, Clock&, OpenedBackend& opened,
                std::string&) {
    // A libusb that cannot start sees no programmer; the reason is printed.
    opened.link = MakeUsbPlatformLink();
    return true;
}
#endif

// A build without a hardware backend sees no programmer.
class NoDevices final : public LinkBackend {
public:
    std::unique_ptr<Device> OpenDevice(const std::string&) override { return nullptr; }
    std::unique_ptr<Pipe> OpenPipe(Device&, const std::string&, Access) override { return nullptr; }
};

bool OpenNothing(const StartOptions&, const std::string&, Clock&, OpenedBackend& opened,
                 std::string&) {
    opened.link = {std::make_unique<FixedEnumerator>(), std::make_unique<NoDevices>(), nullptr,
                   nullptr};
    return true;
}

// One emulated programmer per chip --emulate names, each behind its own
// interface path; the emulator's programmers are fixed, so nothing tells of
// plugging.
bool OpenEmulator(const StartOptions& options, const std::string& catalogue_path, Clock& clock,
                  OpenedBackend& opened, std::string& error) {
    const std::size_t count = std::max<std::size_t>(options.emulated_chips.size(), 1);
    std::vector<FixedEnumerator::Entry> entries;
    std::vector<emu::RoutingBackend::Route> routes;
    for (std::size_t n = 0; n < count; ++n) {
        const emu::EmulatorOptions one = options.EmulatorOptionsFor(n);
        // A chip named by the catalogue cannot be set up without it; a
        // catalogue that will not open is the same stop the lookup makes.
        if (one.chip.find(':') == std::string::npos) {
            const std::unique_ptr<ChipTable> catalogue = MakeChipTable(catalogue_path);
            if (!catalogue->Open()) CriticalHalt(CatalogueOpenMessage(*catalogue));
            catalogue->Close();
        }
        auto emulated = emu::EmulatedProgrammer::Create(one, catalogue_path, clock, error);
        if (!emulated) return false;
        entries.push_back(emulated->entry());
        routes.push_back({emulated->entry().path, &emulated->backend()});
        opened.emulated.push_back(std::move(emulated));
    }
    opened.link = {std::make_unique<FixedEnumerator>(std::move(entries)),
                   std::make_unique<emu::RoutingBackend>(std::move(routes)), nullptr, nullptr};
    return true;
}

#ifdef DSPPROG_HAVE_WIN32_LINK
constexpr BackendRow kNativeRow = {"native", true, StartOption::Usb, "", OpenNative};
#else
constexpr BackendRow kNativeRow = {"native", false, StartOption::Usb,
                                   "backend 'native' is not part of this build", nullptr};
#endif
#ifdef DSPPROG_HAVE_LIBUSB
constexpr BackendRow kLibusbRow = {"libusb", true, StartOption::Usb, "", OpenLibusb};
#elif defined(DSPPROG_HAVE_WIN32_LINK)
constexpr BackendRow kLibusbRow = {"libusb", false, StartOption::Usb,
                                   "libusb is not part of this Windows build", nullptr};
#else
constexpr BackendRow kLibusbRow = {"libusb", false, StartOption::Usb,
                                   "backend 'libusb' is not part of this build", nullptr};
#endif

// In the order the default is looked for: on Windows the programmer's own
// driver comes before libusb (through WinUSB).
const BackendRow kRows[] = {
    kNativeRow,
    kLibusbRow,
    // The default of a build with neither; --usb cannot name it.
    {"none", true, StartOption::Usb, "", OpenNothing},
    {"emulator", true, StartOption::Emulate, "", OpenEmulator},
};

}  // namespace

std::span<const BackendRow> BackendRows() {
    return kRows;
}

const BackendRow* BackendNamed(const std::string& name) {
    const auto row = std::find_if(std::begin(kRows), std::end(kRows),
                                  [&](const BackendRow& r) { return name == r.name; });
    return row == std::end(kRows) ? nullptr : &*row;
}

const BackendRow& ChosenBackend(const StartOptions& options) {
    if (options.emulate) return *BackendNamed("emulator");
    if (options.usb) {
        if (const BackendRow* row = BackendNamed(*options.usb)) return *row;
    }
    return *std::find_if(std::begin(kRows), std::end(kRows), [](const BackendRow& r) {
        return r.built_in && r.option == StartOption::Usb;
    });
}

bool OpenChosenBackend(const StartOptions& options, const std::string& catalogue_path, Clock& clock,
                       OpenedBackend& opened, std::string& error) {
    const BackendRow& row = ChosenBackend(options);
    if (!row.built_in) {
        error = OptionFlag(row.option) + ": " + row.missing;
        return false;
    }
    if (!row.open(options, catalogue_path, clock, opened, error)) {
        error = OptionFlag(row.option) + ": " + error;
        return false;
    }
    return true;
}

}  // namespace dspprog
