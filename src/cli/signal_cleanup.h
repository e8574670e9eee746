// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SIGTERM, SIGINT and SIGHUP end the command-line program where it stands, as
// they always have. A read's image that is still being written under its
// temporary name is first put under NAME.part, with the log line that says
// so, as when the read fails: the chosen name never holds a partial image, and
// what was read is not left hidden. POSIX systems only.

#include <string>

#include "operations/unfinished_file_watch.h"

namespace dspprog {

// Owns the process's handlers of those signals: one at a time.
class SignalCleanup final : public UnfinishedFileWatch {
public:
    SignalCleanup();
    // The signals' default actions again.
    ~SignalCleanup() override;
    SignalCleanup(const SignalCleanup&) = delete;
    SignalCleanup& operator=(const SignalCleanup&) = delete;

    void Started(const std::string& temporary, const std::string& partial) override;
    void Ended() noexcept override;
};

}  // namespace dspprog
