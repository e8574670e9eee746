// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A stream whose whole lines go to another stream with a prefix, one line at
// a time under a lock that several such streams share: the lines of
// programmers working side by side interleave, but never mix.

#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>

namespace dspprog {

class PrefixedLineBuffer final : public std::streambuf {
public:
    PrefixedLineBuffer(std::ostream& target, std::mutex& lock, std::string prefix)
        : target_(target), lock_(lock), prefix_(std::move(prefix)) {}
    // A last line without its line feed is written with one.
    ~PrefixedLineBuffer() override;

protected:
    int_type overflow(int_type c) override;

private:
    void Emit();

    std::ostream& target_;
    std::mutex& lock_;
    std::string prefix_;
    std::string line_;
};

// An ostream over a PrefixedLineBuffer.
class PrefixedLines final : public std::ostream {
public:
    PrefixedLines(std::ostream& target, std::mutex& lock, std::string prefix)
        : std::ostream(nullptr), buffer_(target, lock, std::move(prefix)) {
        rdbuf(&buffer_);
    }

private:
    PrefixedLineBuffer buffer_;
};

}  // namespace dspprog
