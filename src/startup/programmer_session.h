// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One programmer's session for one run: its own link, catalogue and state,
// opened the one way every front-end and every site of a gang opens it.

#include <memory>
#include <string>
#include <vector>

#include "catalogue/chip_table.h"
#include "link/link.h"
#include "operations/session.h"
#include "startup/programmer.h"

namespace dspprog {

class ProgrammerSession {
public:
    // Finds the programmer (among `among` alone when it is not empty) and
    // opens the link to it; a failure is start-up's fatal stop. `keep_deadlines`:
    // see Link::KeepDeadlines.
    ProgrammerSession(Programmer& programmer, const std::vector<ProgrammerEntry>& among,
                      Operator& op, Clock& clock, const std::string& catalogue_path,
                      bool keep_deadlines);
    ProgrammerSession(const ProgrammerSession&) = delete;
    ProgrammerSession& operator=(const ProgrammerSession&) = delete;

    Session& session() { return session_; }
    Link& link() { return link_; }

private:
    std::unique_ptr<ChipTable> catalogue_;
    Link link_;
    Session session_;
};

}  // namespace dspprog
