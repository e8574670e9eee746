// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fixed list of interfaces with failure points at each step a platform can
// fail, and a record of how far the search looked.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/discovery.h"

namespace dspprog {

class ListEnumerator : public InterfaceEnumerator {
public:
    struct Entry {
        std::string manufacturer;
        std::string path;
        int size_fails_from = -1;  // from the n-th size query (0-based) on, the size reads as 0
        int read_fails_from = -1;  // from the n-th detail read (0-based) on, the read fails
    };

    ListEnumerator() = default;
    explicit ListEnumerator(std::vector<Entry> entries);

    void Add(Entry entry);
    void FailBegin() { begin_fails_ = true; }

    bool Begin(const std::string& interface_class) override;
    bool Exists(std::uint32_t index) override { return index < entries_.size(); }
    std::uint32_t DetailSize(std::uint32_t index) override;
    std::optional<std::string> ReadPath(std::uint32_t index) override;
    std::string Manufacturer(std::uint32_t index) override { return list_.Manufacturer(index); }
    void End() override { ++ended_; }

    // How often the set was released (tests check it is released on every exit).
    int ended() const { return ended_; }
    // Highest index whose interface was examined, -1 for none.
    int highest_examined() const { return highest_examined_; }

private:
    static std::vector<FixedEnumerator::Entry> Plain(const std::vector<Entry>& entries);

    std::vector<Entry> entries_;
    FixedEnumerator list_;  // what the interfaces read as when nothing fails
    std::vector<int> size_queries_;
    std::vector<int> reads_;
    bool begin_fails_ = false;
    int ended_ = 0;
    int highest_examined_ = -1;
};

}  // namespace dspprog
