// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An operation the operator starts with a button, and the busy interlock that
// keeps two of them from running at once.

#include "operations/session.h"

namespace dspprog {

// The lines that open and close one operation in the log, and its work.
struct ButtonOperation {
    // Logged after an empty line, before the work; null when the work opens
    // the log itself (erase and write, whose work is also part of a write).
    const char* opening;
    Outcome (*work)(Session&);
    // Logged when the work has returned; null for none.
    const char* closing;
};

// The operation's lines and work. Busy is the caller's: a front-end that
// hands the work to another thread claims it before and clears it after.
Outcome RunButtonOperation(Session& session, const ButtonOperation& operation);

// The operation under the busy interlock: while session.Busy is set it is
// refused at once, with nothing logged and nothing sent; otherwise Busy is set
// for the time it runs.
Outcome RunInterlocked(Session& session, const ButtonOperation& operation);

}  // namespace dspprog
