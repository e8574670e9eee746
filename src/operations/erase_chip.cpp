// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/erase_chip.h"

#include <string>

#include "operations/chip_summary.h"
#include "operations/identify.h"

namespace dspprog {

namespace {

// The command block of each erase kind; false, logged, when the chip's
// numbers leave the command unknown.
bool EraseSetup255(Session& session);
bool EraseSetupFC00(Session& session);

Outcome EraseWork(Session& session) {
    return EraseChip(session) ? Outcome::Succeeded : Outcome::Failed;
}

}  // namespace

// EraseChip opens its own log lines: a write that erases first shows them too.
const ButtonOperation kEreaseChipButton = {nullptr, EraseWork, "--- Окончание стирания чипа."};

bool EraseChip(Session& session) {
    Operator& op = session.op;
    Link& link = session.link;
    op.Log("");
    op.Log("+++ Начало стирания чипа.");
    if (!IdentifyChip(session, true)) return false;
    const ChipRecord& chip = session.tChip;
    op.Log(ChipIdentifiedLine(chip));

    if (chip.tErase == 0) {
        session.Fail("  Алгоритм стирания чипа не известен!");
        return false;
    }
    op.Log("  Производится стирание");

    FillAddress(session.CmdBuf(), chip.Size);
    bool ready = false;
    if (chip.Type == kType255) {
        ready = EraseSetup255(session);
    } else if (chip.Type == kTypeFC00) {
        ready = EraseSetupFC00(session);
    }
    if (!ready) {
        session.Fail("  ВРЕМЯ ОЖИДАНИЯ окончания стирания не известно!!!");
        return false;
    }
    if (!FillEraseMode(session.CmdBuf(), chip.tErase)) {
        session.Fail("  Алгоритм стирания не подходит под известные!");
        return false;
    }
    op.Log("  Чип может потребовать выдержку до 10 секунд.");

    if (session.DoCommand() != 0) {
        session.FailBox("Команду _EraseChip не принято");
        return false;
    }
    // An erase takes seconds; its completion reply gets twice the usual time.
    link.SetTimeoutFactor(2);
    if (session.ReadCompletion() != 0) {
        session.FailBox("Error Erase");
        return false;
    }
    op.Log("  Процедура стирания окончена. Проверяется чистота стирания.");

    // Bytes 4 and up still hold the erase's parameters; the firmware ignores
    // them for a read.
    FillBurstRead(session.CmdBuf(), chip.Size);
    if (session.DoCommand() != 0) {
        session.FailBox("Команду _BurstRead не принято");
        return false;
    }

    const std::uint32_t blocks = chip.Size / kBlockSize;
    std::uint32_t not_blank = 0;
    op.Progress(0, blocks);
    for (std::uint32_t n = 0; n < blocks; ++n) {
        link.ReadPipe(*link.MainIn, session.DataBuf.data(), kBlockSize);
        for (std::uint8_t byte : session.DataBuf) {
            if (byte != 0xFF) ++not_blank;
        }
        op.Progress(n + 1, blocks);
    }
    // Only the bytes decide: a chip that reads back blank is erased, whatever
    // the read's own completion says.
    session.ReadCompletion();

    if (not_blank == 0) {
        op.Log("  Чип стерт успешно");
        return true;
    }
    session.Fail("  Чип имеет: " + std::to_string(not_blank) + " не стертых байт(а)");
    return false;
}

namespace {

bool EraseSetup255(Session& session) {
    FillErase255(session.CmdBuf());
    return true;
}

bool EraseSetupFC00(Session& session) {
    if (FillEraseFC00(session.CmdBuf(), session.tChip.Size)) return true;
    session.Fail("  Размер чипа не понятен!");
    return false;
}

}  // namespace

}  // namespace dspprog
