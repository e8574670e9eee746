// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/write_chip.h"

#include <string>

#include "base/shown_text.h"
#include "operations/chip_summary.h"
#include "operations/erase_chip.h"
#include "operations/identify.h"
#include "operations/image_choice.h"
#include "operations/verify_chip.h"

namespace dspprog {
namespace {

// The command block of each write kind; false, logged, when the chip cannot
// be written that way (an algorithm write erases first where the chip needs it).
bool AlgorithmWriteSetup(Session& session);
bool PulseWriteSetup(Session& session);

constexpr const char* kCancelled = "  Операция записи отменена пользователем!";

std::string ChipChangedLine(const ChipRecord& before, const ChipRecord& now) {
    return "  При стирании определен другой чип: \"" + ShownText(now.Name) + "\", " +
           std::to_string(now.Size) + " байт, вместо \"" + ShownText(before.Name) + "\", " +
           std::to_string(before.Size) + " байт! Запись прекращена.";
}

// UV EPROMs program slowly; an unknown type is not written at all.
std::uint32_t WriteTimeoutFactor(std::uint16_t type, std::uint32_t current) {
    switch (type) {
        case kType255:
        case kTypeFC00:
        case kTypeFE00:
            return 1;
        case kTypeFD00:
            return 2;
        default:
            return current;
    }
}

}  // namespace

// WriteChip opens its own log lines.
const ButtonOperation kWriteChipButton = {nullptr, WriteChip, "--- Окончание записи чипа."};

Outcome WriteChip(Session& session) {
    Operator& op = session.op;
    Link& link = session.link;
    op.Log("");
    op.Log("+++ Начало записи чипа.");
    if (!IdentifyChip(session, true)) return Outcome::Failed;
    op.Log(ChipIdentifiedLine(session.tChip));
    const ChipRecord chosen_for = session.tChip;

    // A HEX or S-record file is checked against the chip here, before
    // anything but the identification has gone to the programmer.
    ImageInput image;
    std::string name;
    switch (ChooseImage(session, image, name, kCancelled)) {
        case ImageChosen::Ready:
            break;
        case ImageChosen::Cancelled:
            return Outcome::Cancelled;
        case ImageChosen::Unusable:
            return Outcome::Unusable;
    }

    // The set-up may erase the chip first, which identifies it again; from
    // here on tChip is that second identification's result.
    bool ready = false;
    switch (session.tChip.Type) {
        case kType255:
            ready = AlgorithmWriteSetup(session);
            break;
        case kTypeFC00:
        case kTypeFD00:
        case kTypeFE00:
            ready = PulseWriteSetup(session);
            break;
        default:
            break;
    }
    link.SetTimeoutFactor(WriteTimeoutFactor(session.tChip.Type, link.TimeoutFactor()));
    if (!ready) {
        session.Fail("  Алгоритм для данного типа чипов не известен!!!");
        return Outcome::Failed;
    }
    // The erase identifies the chip again. Another chip now (swapped in the
    // socket, or a contact that reads other codes) would be written with its
    // own size and algorithm from a file checked against the first one's: a
    // write that could pass its verify with only part of the image written.
    if (!(session.tChip == chosen_for)) {
        session.Fail(ChipChangedLine(chosen_for, session.tChip));
        return Outcome::Failed;
    }
    if (std::string why; session.write_may_begin && !session.write_may_begin(why)) {
        session.Fail("  " + why);
        return Outcome::Failed;
    }
    if (session.DoCommand() != 0) {
        session.Fail("  Команду _WriteChip не принято!!!");
        return Outcome::Failed;
    }
    session.findings.write_began = true;
    op.Log("  Чип записывается подождите...");

    const std::uint32_t blocks = session.tChip.Size / kBlockSize;
    const std::uint64_t start = link.clock().NowMs();
    // What was sent stays on record should the write end before its verify.
    std::vector<std::uint8_t>& sent = session.findings.content;
    sent.clear();
    sent.reserve(session.tChip.Size);
    session.findings.content_source = OperationFindings::Source::Image;
    op.Progress(0, blocks);
    for (std::uint32_t n = 0; n < blocks; ++n) {
        image.ReadBlock(session.DataBuf, op);
        sent.insert(sent.end(), session.DataBuf.begin(), session.DataBuf.end());
        link.WritePipe(*link.MainOut, session.DataBuf.data(), kBlockSize);
        op.Progress(n + 1, blocks);
    }
    const std::uint64_t end = link.clock().NowMs();
    image.Close();
    // A failed write shows in the verify; the completion's status adds nothing.
    session.ReadCompletion();

    op.Log("  Чип записан за: " + std::to_string((end - start) / 1000) + " секунд.");
    op.Log("  Проверяется правильность записи.");

    FillVerifyRead(session.CmdBuf(), session.tChip.Size);
    if (session.DoCommand() != 0) CriticalHalt("  Команду _BurstRead не принято!!!");

    // The verify compares with the file as it is on disk now, not with what
    // was sent: a file that cannot be read again cannot vouch for the chip.
    if (image.Reopen() != ImageInput::Opened::Ready) {
        op.ErrorBox("Ошибка при чтении входного файла");
        Terminate("Ошибка при чтении входного файла");
    }
    const Differences differences = CompareWithImage(session, image);
    LogDifferences(op, differences, session.findings.content, "  Чип записан без ошибок.");
    return differences.count == 0 ? Outcome::Succeeded : Outcome::Failed;
}

namespace {

bool AlgorithmWriteSetup(Session& session) {
    const std::uint8_t t_write = session.tChip.tWrite;
    if (session.settings.erase_first && (t_write == 1 || t_write == 3)) {
        session.op.Log("  Чип требует стирание.");
        if (!EraseChip(session)) return false;
    }
    if (FillAlgorithmWrite(session.CmdBuf(), session.tChip.Size, session.tChip.tWrite)) return true;
    session.Fail("  Алгоритм записи чипа не известен!");
    return false;
}

bool PulseWriteSetup(Session& session) {
    FillPulseWrite(session.CmdBuf(), session.tChip.Size, session.tChip.Type);
    return true;
}

}  // namespace

}  // namespace dspprog
