// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/list_enumerator.h"

namespace dspprog {

ListEnumerator::ListEnumerator(std::vector<Entry> entries)
    : entries_(std::move(entries)), list_(Plain(entries_)) {}

std::vector<FixedEnumerator::Entry> ListEnumerator::Plain(const std::vector<Entry>& entries) {
    std::vector<FixedEnumerator::Entry> plain;
    for (const Entry& e : entries) plain.push_back({e.manufacturer, e.path});
    return plain;
}

void ListEnumerator::Add(Entry entry) {
    entries_.push_back(std::move(entry));
    list_ = FixedEnumerator(Plain(entries_));
}

bool ListEnumerator::Begin(const std::string&) {
    size_queries_.assign(entries_.size(), 0);
    reads_.assign(entries_.size(), 0);
    return !begin_fails_;
}

std::uint32_t ListEnumerator::DetailSize(std::uint32_t index) {
    if (static_cast<int>(index) > highest_examined_) highest_examined_ = static_cast<int>(index);
    const Entry& e = entries_.at(index);
    const int n = size_queries_.at(index)++;
    if (e.size_fails_from >= 0 && n >= e.size_fails_from) return 0;
    return list_.DetailSize(index);
}

std::optional<std::string> ListEnumerator::ReadPath(std::uint32_t index) {
    const Entry& e = entries_.at(index);
    const int n = reads_.at(index)++;
    if (e.read_fails_from >= 0 && n >= e.read_fails_from) return std::nullopt;
    return list_.ReadPath(index);
}

}  // namespace dspprog
