// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/button_operation.h"

namespace dspprog {

Outcome RunButtonOperation(Session& session, const ButtonOperation& operation) {
    session.findings = {};
    if (operation.opening != nullptr) {
        session.op.Log("");
        session.op.Log(operation.opening);
    }
    const Outcome outcome = operation.work(session);
    if (operation.closing != nullptr) session.op.Log(operation.closing);
    // A chip the run is not for is a wrong input, as a wrong file is, not a
    // chip that failed.
    return session.findings.chip_refused ? Outcome::Unusable : outcome;
}

Outcome RunInterlocked(Session& session, const ButtonOperation& operation) {
    if (session.Busy) return Outcome::Refused;
    session.Busy = 1;
    // Cleared on every way out: a fatal stop ends the program, but a front-end
    // that shows it still asks whether an operation runs.
    struct Release {
        Session& session;
        ~Release() { session.Busy = 0; }
    } release{session};
    return RunButtonOperation(session, operation);
}

}  // namespace dspprog
