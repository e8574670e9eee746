// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A read writes its image under a hidden temporary name and gives it the
// chosen name only when the whole read has succeeded. A front-end that can be
// ended from outside (the command line, by a signal) is told where that
// temporary is, so that it can still leave what was read under NAME.part.

#include <string>

namespace dspprog {

class UnfinishedFileWatch {
public:
    virtual ~UnfinishedFileWatch() = default;
    // `temporary` now holds what has been read; should the program end before
    // the read does, it belongs under `partial`.
    virtual void Started(const std::string& temporary, const std::string& partial) = 0;
    // The temporary is gone: named, kept as the partial file, or removed.
    virtual void Ended() noexcept = 0;
};

}  // namespace dspprog
