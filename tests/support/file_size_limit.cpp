// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/file_size_limit.h"

#ifndef _WIN32
#include <gtest/gtest.h>

namespace dspprog::testing {

FileSizeLimit::FileSizeLimit(std::uint64_t bytes) {
    EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &old_), 0);
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old_;
    limited.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
}

}  // namespace dspprog::testing
#endif
