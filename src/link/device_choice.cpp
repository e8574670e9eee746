// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/device_choice.h"

#include <functional>

namespace dspprog {

std::vector<ProgrammerEntry> ChooseProgrammers(const std::vector<ProgrammerEntry>& list,
                                               const std::string& selector) {
    if (selector == kAllDevices) return list;
    using Test = std::function<bool(const ProgrammerEntry&)>;
    const Test kinds[] = {
        [&](const ProgrammerEntry& e) { return e.facts.serial == selector; },
        [&](const ProgrammerEntry& e) { return e.facts.location == selector; },
        [&](const ProgrammerEntry& e) { return std::to_string(e.number) == selector; },
        [&](const ProgrammerEntry& e) { return e.path == selector; },
    };
    for (const Test& names : kinds) {
        std::vector<ProgrammerEntry> chosen;
        for (const ProgrammerEntry& entry : list)
            if (!selector.empty() && names(entry)) chosen.push_back(entry);
        if (!chosen.empty()) return chosen;
    }
    return {};
}

std::string NoSuchDeviceText(const std::string& selector,
                             const std::vector<ProgrammerEntry>& list) {
    std::string text = "Программатора \"" + selector + "\" нет; ";
    if (list.empty()) return text + "не найдено ни одного";
    text += "найдены:";
    for (const ProgrammerEntry& entry : list) text += "\n  " + ListingLine(entry);
    return text;
}

}  // namespace dspprog
