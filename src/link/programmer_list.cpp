// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/programmer_list.h"

#include <map>

#include "base/name_with_tag.h"
#include "base/shown_text.h"

namespace dspprog {

namespace {

// A serial number may hold anything: shown, it keeps to its field and its line.
std::string OrDash(const std::string& text) {
    return text.empty() ? "-" : ShownText(text);
}

}  // namespace

std::string ProgrammerEntry::Name() const {
    return facts.serial.empty() ? std::to_string(number) : facts.serial;
}

std::vector<ProgrammerEntry> ListProgrammers(InterfaceEnumerator& enumerator) {
    std::vector<ProgrammerEntry> list;
    const std::string vid = VendorText(kProgrammerVendor);
    const std::string pid = ProductText(kProgrammerProduct);
    if (!enumerator.Begin(kProgrammerInterfaceGuid)) return list;
    for (std::uint32_t index = 0; enumerator.Exists(index); ++index) {
        // An interface whose detail cannot be read ends the search; the
        // listing goes on past it, since the others are no less present.
        if (enumerator.DetailSize(index) == 0) continue;
        const std::optional<std::string> path = enumerator.ReadPath(index);
        if (!path) continue;
        if (path->find(vid) == std::string::npos || path->find(pid) == std::string::npos) continue;
        const bool maker = enumerator.Manufacturer(index) == kProgrammerManufacturer;
        DeviceFacts facts = enumerator.Facts(index);
        if (!maker && facts.problem.empty()) continue;
        list.push_back({index, list.size() + 1, *path, std::move(facts)});
    }
    for (InterfaceEnumerator::Unreachable& other : enumerator.UnreachableProgrammers())
        list.push_back({ProgrammerEntry::kUnreachable, list.size() + 1, std::move(other.path),
                        std::move(other.facts)});
    enumerator.End();
    return list;
}

std::string ListingLine(const ProgrammerEntry& entry) {
    std::string line = std::to_string(entry.number) + '\t' + OrDash(entry.facts.serial) + '\t' +
                       OrDash(entry.facts.location) + '\t' + ShownText(entry.path);
    if (!entry.facts.problem.empty()) line += '\t' + ShownText(entry.facts.problem);
    return line;
}

std::vector<std::string> FileTags(const std::vector<ProgrammerEntry>& entries) {
    std::vector<std::string> tags;
    for (const ProgrammerEntry& entry : entries) tags.push_back(FileNameTag(entry.Name()));
    // Serials that differ only in what a file name may not hold would share a
    // file; each of those gets its number, until no two are the same.
    bool clash = true;
    for (std::size_t round = 0; clash && round <= entries.size(); ++round) {
        std::map<std::string, int> uses;
        for (const std::string& tag : tags) ++uses[tag];
        clash = false;
        for (std::size_t i = 0; i < tags.size(); ++i) {
            if (uses[tags[i]] < 2) continue;
            tags[i] += "-" + std::to_string(entries[i].number);
            clash = true;
        }
    }
    return tags;
}

}  // namespace dspprog
