// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finding out which chip sits in the socket.

#include "operations/button_operation.h"
#include "operations/session.h"

namespace dspprog {

// Sends the identification command and tries the reply's byte pairs (5,6),
// (1,2), (3 or 1,4), (9,10) against the catalogue. True when one is known;
// session.tChip then describes the chip. With `report`, a chip none of whose
// pairs is known gets two log lines. With `report`, a known chip that the
// settings' chip check refuses is logged with its reason, noted in the
// findings, and counts as not identified.
bool IdentifyChip(Session& session, bool report);

// The "Определить чип" button: identification alone, with the chip's name and size.
extern const ButtonOperation kGetIdentButton;

}  // namespace dspprog
