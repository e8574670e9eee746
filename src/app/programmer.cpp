// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/programmer.h"

#include <mutex>

#include "catalogue/chip_table.h"
#include "link/device_choice.h"
#include "link/fatal_stop.h"
#include "operations/startup.h"

namespace dspprog {

std::unique_ptr<Programmer> Programmer::Open(const StartOptions& options,
                                             const std::string& catalogue_path, Clock& clock,
                                             std::string& error) {
    std::unique_ptr<Programmer> programmer(new Programmer);
    if (options.emulate) {
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
            if (!emulated) {
                error = OptionFlag(StartOption::Emulate) + ": " + error;
                return nullptr;
            }
            entries.push_back(emulated->entry());
            routes.push_back({emulated->entry().path, &emulated->backend()});
            programmer->emulated_.push_back(std::move(emulated));
        }
        programmer->emulated_enumerator_ = std::make_unique<FixedEnumerator>(std::move(entries));
        programmer->emulated_backend_ = std::make_unique<emu::RoutingBackend>(std::move(routes));
        programmer->enumerator_ = programmer->emulated_enumerator_.get();
        programmer->backend_ = programmer->emulated_backend_.get();
        return programmer;
    }
    programmer->platform_ = MakePlatformLink(options.usb.value_or(""), error);
    if (!programmer->platform_.enumerator || !programmer->platform_.backend) {
        error = OptionFlag(StartOption::Usb) + ": " + error;
        return nullptr;
    }
    programmer->enumerator_ = programmer->platform_.enumerator.get();
    programmer->backend_ = programmer->platform_.backend.get();
    return programmer;
}

void Programmer::Connect(Link& link, const std::vector<ProgrammerEntry>& among) {
    if (among.empty()) {
        StartUp(*enumerator_, link);
        return;
    }
    std::vector<std::uint32_t> members;
    for (const ProgrammerEntry& entry : among) members.push_back(entry.member);
    {
        // The enumerator walks one set at a time; the sites of a gang take
        // turns at it, and open their links side by side.
        std::lock_guard lock(search_mutex_);
        SubsetEnumerator subset(*enumerator_, std::move(members));
        FindProgrammer(subset, link);
    }
    link.Open();
}

bool ChooseDevices(Programmer& programmer, const std::optional<std::string>& selector,
                   std::vector<ProgrammerEntry>& chosen, std::string& error) {
    chosen.clear();
    if (!selector) return true;
    const std::vector<ProgrammerEntry> present = programmer.List();
    // Every programmer of none is no programmer: start-up's own stop.
    if (*selector == kAllDevices && present.empty()) CriticalHalt(kNoProgrammer);
    chosen = ChooseProgrammers(present, *selector);
    if (!chosen.empty()) return true;
    error = OptionFlag(StartOption::Device) + ": " + NoSuchDeviceText(*selector, present);
    return false;
}

ProgrammerIdentity Programmer::Identity(const Link& link) {
    for (const ProgrammerEntry& entry : List()) {
        if (entry.path == link.DevicePath) return {entry.facts.serial, entry.facts.location};
    }
    return {"", link.DevicePath};
}

bool Programmer::ChipDone(const Link& link, bool slowly, std::string& error) {
    for (const std::unique_ptr<emu::EmulatedProgrammer>& emulated : emulated_) {
        if (emulated->entry().path == link.DevicePath) return emulated->SwapChip(slowly, error);
    }
    return true;
}

}  // namespace dspprog
