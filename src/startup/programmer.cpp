// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/programmer.h"

#include <mutex>

#include "link/device_choice.h"
#include "link/fatal_stop.h"
#include "operations/startup.h"

namespace dspprog {

std::unique_ptr<Programmer> Programmer::Open(const StartOptions& options,
                                             const std::string& catalogue_path, Clock& clock,
                                             std::string& error) {
    std::unique_ptr<Programmer> programmer(new Programmer);
    if (!OpenChosenBackend(options, catalogue_path, clock, programmer->opened_, error)) {
        return nullptr;
    }
    return programmer;
}

void Programmer::Connect(Link& link, const std::vector<ProgrammerEntry>& among) {
    if (among.empty()) {
        StartUp(enumerator(), link);
        return;
    }
    std::vector<std::uint32_t> members;
    for (const ProgrammerEntry& entry : among) members.push_back(entry.member);
    {
        // The enumerator walks one set at a time; the sites of a gang take
        // turns at it, and open their links side by side.
        std::lock_guard lock(search_mutex_);
        SubsetEnumerator subset(enumerator(), std::move(members));
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
    for (const std::unique_ptr<emu::EmulatedProgrammer>& emulated : opened_.emulated) {
        if (emulated->entry().path == link.DevicePath) return emulated->SwapChip(slowly, error);
    }
    return true;
}

}  // namespace dspprog
