// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/identify.h"

#include <cstdio>

#include "catalogue/lookup.h"
#include "operations/chip_summary.h"

namespace dspprog {
namespace {

bool TryPair(Session& session, std::uint8_t manuf, std::uint8_t dev) {
    session.tChip.ManufCode = manuf;
    session.tChip.DevCode = dev;
    return LookupChip(session.catalogue, session.tChip);
}

std::string CodesLine(const Block16& reply) {
    std::string line = "  Считаны коды: \"";
    char hex[4];
    for (std::size_t i = 0; i < reply.size(); ++i) {
        std::snprintf(hex, sizeof hex, i ? " %02X" : "%02X", static_cast<unsigned>(reply[i]));
        line += hex;
    }
    return line + "\"";
}

}  // namespace

bool IdentifyChip(Session& session, bool report) {
    FillGetIdent(session.CmdBuf());
    if (session.DoCommand() != 0) return false;
    const Block16& r = session.ReplyBuf();

    // Makers place their codes differently: JEDEC parts answer in bytes 1 and
    // 2, continuation-coded ones (0x7F 0x7F) push the maker to byte 3, and
    // some programmer adapters answer in bytes 5/6 or 9/10.
    const std::uint8_t manuf = (r[1] == 0x7F && r[2] == 0x7F) ? r[3] : r[1];
    if (TryPair(session, r[5], r[6]) || TryPair(session, r[1], r[2]) ||
        TryPair(session, manuf, r[4]) || TryPair(session, r[9], r[10])) {
        // An operation's identification, not a look at the socket while
        // waiting for a chip: the run may be for another chip.
        std::string reason;
        if (!report || !session.settings.chip_check ||
            session.settings.chip_check(session.tChip, reason))
            return true;
        session.Fail(reason);
        session.findings.chip_refused = true;
        return false;
    }

    if (report) {
        session.Fail("  Чип не определен!");
        session.op.Log(CodesLine(r));
    }
    return false;
}

namespace {

Outcome IdentifyAndShow(Session& session) {
    session.link.SetTimeoutFactor(1);
    const bool identified = IdentifyChip(session, true);
    if (identified) session.op.Log("  " + ChipSummary(session.tChip));
    return identified ? Outcome::Succeeded : Outcome::Failed;
}

}  // namespace

const ButtonOperation kGetIdentButton = {"+++ Начало определения чипа.", IdentifyAndShow,
                                         "--- Окончание определения чипа."};

}  // namespace dspprog
