// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Choosing among several programmers: what a device selector names, and the
// search narrowed to the programmers it names.

#include <cstdint>
#include <string>
#include <vector>

#include "link/discovery.h"
#include "link/programmer_list.h"

namespace dspprog {

// The selector that names every listed programmer at once.
inline constexpr const char* kAllDevices = "all";

// The entries `selector` names, tried as a serial number, then a bus
// location, then a listing number, then a whole interface path: the first
// kind that names any entry decides. Empty when it names none.
std::vector<ProgrammerEntry> ChooseProgrammers(const std::vector<ProgrammerEntry>& list,
                                               const std::string& selector);

// What a refused selector is told: the line, then the listing of what is there.
std::string NoSuchDeviceText(const std::string& selector, const std::vector<ProgrammerEntry>& list);

// The search's view of a few interfaces of another enumerator, in their
// order: the search's first-match rule then applies among them alone.
class SubsetEnumerator final : public InterfaceEnumerator {
public:
    SubsetEnumerator(InterfaceEnumerator& base, std::vector<std::uint32_t> members)
        : base_(base), members_(std::move(members)) {}

    bool Begin(const std::string& interface_class) override { return base_.Begin(interface_class); }
    bool Exists(std::uint32_t index) override {
        return index < members_.size() && members_[index] != ProgrammerEntry::kUnreachable &&
               base_.Exists(members_[index]);
    }
    std::uint32_t DetailSize(std::uint32_t index) override {
        return base_.DetailSize(members_.at(index));
    }
    std::optional<std::string> ReadPath(std::uint32_t index) override {
        return base_.ReadPath(members_.at(index));
    }
    std::string Manufacturer(std::uint32_t index) override {
        return base_.Manufacturer(members_.at(index));
    }
    DeviceFacts Facts(std::uint32_t index) override { return base_.Facts(members_.at(index)); }
    void End() override { base_.End(); }

private:
    InterfaceEnumerator& base_;
    std::vector<std::uint32_t> members_;
};

}  // namespace dspprog
