// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/programmer_session.h"

namespace dspprog {

ProgrammerSession::ProgrammerSession(Programmer& programmer,
                                     const std::vector<ProgrammerEntry>& among, Operator& op,
                                     Clock& clock, const std::string& catalogue_path,
                                     bool keep_deadlines)
    : catalogue_(MakeChipTable(catalogue_path)),
      link_(programmer.backend(), clock, op),
      session_(link_, *catalogue_, op) {
    link_.KeepDeadlines(keep_deadlines);
    programmer.Connect(link_, among);
}

}  // namespace dspprog
