// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/programmer.h"

#include "catalogue/chip_table.h"
#include "link/fatal_stop.h"
#include "operations/startup.h"

namespace dspprog {

std::unique_ptr<Programmer> Programmer::Open(const StartOptions& options,
                                             const std::string& catalogue_path, Clock& clock,
                                             std::string& error) {
    std::unique_ptr<Programmer> programmer(new Programmer);
    if (options.emulate) {
        // A chip named by the catalogue cannot be set up without it; a
        // catalogue that will not open is the same stop the lookup makes.
        if (options.emulator.chip.find(':') == std::string::npos) {
            const std::unique_ptr<ChipTable> catalogue = MakeChipTable(catalogue_path);
            if (!catalogue->Open()) CriticalHalt(kCatalogueOpenError);
            catalogue->Close();
        }
        programmer->emulated_ =
            emu::EmulatedProgrammer::Create(options.emulator, catalogue_path, clock, error);
        if (!programmer->emulated_) {
            error = OptionFlag(StartOption::Emulate) + ": " + error;
            return nullptr;
        }
        programmer->enumerator_ = &programmer->emulated_->enumerator();
        programmer->backend_ = &programmer->emulated_->backend();
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

void Programmer::Connect(Link& link) {
    StartUp(*enumerator_, link);
}

ProgrammerIdentity Programmer::Identity(const Link& link) const {
    // The interface path names the programmer's port; the firmware tells no
    // serial number of its own.
    if (emulated_) return {"emulator", link.DevicePath};
    return {"", link.DevicePath};
}

bool Programmer::ChipDone(bool slowly, std::string& error) {
    return !emulated_ || emulated_->SwapChip(slowly, error);
}

}  // namespace dspprog
