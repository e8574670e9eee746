// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operator of one site of a gang: the terminal operator, its lines
// prefixed with the programmer's name, nobody to ask and no progress bar.
// Under --json its log lines and progress are events that name the
// programmer instead.

#include <mutex>
#include <ostream>
#include <string>

#include "base/prefixed_lines.h"
#include "base/shown_text.h"
#include "cli/terminal_operator.h"

namespace dspprog {

// The site's own streams, made before the operator that writes to them.
struct SiteStreams {
    SiteStreams(std::ostream& out, std::mutex& out_lock, std::ostream& err, std::mutex& err_lock,
                const std::string& out_prefix, const std::string& err_prefix)
        : site_out(out, out_lock, out_prefix), site_err(err, err_lock, err_prefix) {}
    PrefixedLines site_out;
    PrefixedLines site_err;
};

class SiteOperator final : private SiteStreams, public TerminalOperator {
public:
    SiteOperator(std::ostream& out, std::mutex& out_lock, std::ostream& err, std::mutex& err_lock,
                 const std::string& name, DialogAnswers answers, bool json)
        : SiteStreams(out, out_lock, err, err_lock, json ? std::string() : ShownText(name) + '\t',
                      ShownText(name) + '\t'),
          TerminalOperator(site_out, site_err, nullptr, std::move(answers), false, json) {
        if (json) NameDeviceInEvents(name);
    }
};

}  // namespace dspprog
