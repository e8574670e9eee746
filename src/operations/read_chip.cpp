// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/read_chip.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/shown_text.h"
#include "image/checksums.h"
#include "image/content_warnings.h"
#include "image/image_encoder.h"
#include "image/unstable_bytes.h"
#include "operations/chip_summary.h"
#include "operations/identify.h"
#include "operations/image_file.h"

namespace dspprog {
namespace {

std::string ChecksumLine(std::uint16_t checksum) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(checksum));
    return std::string("  Контрольная сумма:") + digits + "h.";
}

constexpr const char* kRefusedRead = "Команду _BurstRead не принято";
constexpr const char* kFailedRead = "  Чип рапортует \"Операция чтения не успешна!\" ";

std::string UnstableByteLine(const UnstableBytes::Byte& byte) {
    char line[32];
    std::snprintf(line, sizeof line, "  Адрес 0x%06X:", static_cast<unsigned>(byte.address));
    std::string text = line;
    for (std::uint8_t value : byte.values) {
        std::snprintf(line, sizeof line, " 0x%02X", static_cast<unsigned>(value));
        text += line;
    }
    return text;
}

// The passes that disagree: how many bytes, the first of them with what each
// pass read there, and the data lines that changed.
void LogUnstable(Session& session, std::uint32_t passes, const UnstableBytes& unstable) {
    Operator& op = session.op;
    session.Fail("  Прочитано " + std::to_string(passes) + " раз, чтения не совпали в " +
                 std::to_string(unstable.count) + " байт(ах)!");
    for (const UnstableBytes::Byte& byte : unstable.first) op.Log(UnstableByteLine(byte));
    if (unstable.count > unstable.first.size())
        op.Log("  ... и ещё " + std::to_string(unstable.count - unstable.first.size()));
    std::string lines;
    for (int bit = 0; bit < 8; ++bit)
        if (unstable.bits >> bit & 1) lines += (lines.empty() ? "D" : ", D") + std::to_string(bit);
    char mask[8];
    std::snprintf(mask, sizeof mask, "%02Xh", static_cast<unsigned>(unstable.bits));
    op.Log("  Меняются биты: " + lines + " (маска " + mask + ").");
}

// One more pass over the whole chip after the first, into `pass`. False,
// with the reason shown, when the programmer refuses it or reports it failed.
bool ReadAgain(Session& session, std::vector<std::uint8_t>& pass, std::uint32_t done,
               std::uint32_t total) {
    FillBurstRead(session.CmdBuf(), session.tChip.Size);
    if (session.DoCommand() != 0) {
        session.FailBox(kRefusedRead);
        return false;
    }
    const std::uint32_t blocks = session.tChip.Size / kBlockSize;
    pass.reserve(session.tChip.Size);
    for (std::uint32_t n = 0; n < blocks; ++n) {
        session.link.ReadPipe(*session.link.MainIn, session.DataBuf.data(), kBlockSize);
        pass.insert(pass.end(), session.DataBuf.begin(), session.DataBuf.end());
        session.op.Progress(done + n + 1, total);
    }
    if (session.ReadCompletion() != 0) {
        session.Fail(kFailedRead);
        return false;
    }
    return true;
}

// Whether the chip still answers with the codes it was read as; a chip that
// shifted in its socket during the passes would not. The chip read stays the
// session's chip either way.
bool StillTheSameChip(Session& session) {
    const ChipRecord read = session.tChip;
    const bool same = IdentifyChip(session, false) && session.tChip.ManufCode == read.ManufCode &&
                      session.tChip.DevCode == read.DevCode;
    session.tChip = read;
    return same;
}

// The read from the kBurstRead command on; `file`, when saving, is open
// under its temporary name and is named `name` only when all went well.
Outcome ReadInto(Session& session, OutputImageFile* file, const std::string& name,
                 ImageFormat format) {
    Operator& op = session.op;
    Link& link = session.link;
    // A raw image goes to the file record by record, as it arrives; the text
    // forms are made from the same blocks.
    const std::unique_ptr<ImageEncoder> encoder =
        file && format != ImageFormat::Raw ? MakeImageEncoder(format, session.tChip.Size) : nullptr;

    op.Log(ChipIdentifiedLine(session.tChip));
    op.Log("  Производится чтение.");

    FillBurstRead(session.CmdBuf(), session.tChip.Size);
    if (session.DoCommand() != 0) {
        if (file) file->Abandon(op);  // nothing was read: no file is left
        session.FailBox(kRefusedRead);
        return Outcome::Failed;
    }

    if (encoder) file->WriteText(encoder->Begin(), op);
    const std::uint32_t passes =
        std::clamp<std::uint32_t>(session.settings.passes, 1, kMostReadPasses);
    const std::uint32_t blocks = session.tChip.Size / kBlockSize;
    std::uint16_t checksum = 0;
    std::uint16_t whole_sum = 0;
    session.chip_sum.reset();
    bool blank = true;
    const std::uint64_t start = link.clock().NowMs();
    // The whole chip: the sums the operator compares by, and the run's record.
    std::vector<std::uint8_t>& content = session.findings.content;
    content.reserve(session.tChip.Size);
    session.findings.content_source = OperationFindings::Source::Chip;
    op.Progress(0, blocks * passes);
    for (std::uint32_t n = 0; n < blocks; ++n) {
        link.ReadPipe(*link.MainIn, session.DataBuf.data(), kBlockSize);
        content.insert(content.end(), session.DataBuf.begin(), session.DataBuf.end());
        if (encoder) {
            file->WriteText(encoder->Data(n * kBlockSize, session.DataBuf.data(), kBlockSize), op);
        } else if (file) {
            file->WriteFileBlock(session.DataBuf, op);
        }
        for (std::uint8_t byte : session.DataBuf)
            whole_sum = static_cast<std::uint16_t>(whole_sum + byte);
        // The sum covers the blocks up to the first one that is not blank;
        // what follows it is neither summed nor tested.
        if (blank) {
            for (std::uint8_t byte : session.DataBuf) {
                checksum = static_cast<std::uint16_t>(checksum + byte);
                if (byte != 0xFF) blank = false;
            }
        }
        op.Progress(n + 1, blocks * passes);
    }
    std::uint64_t end = link.clock().NowMs();
    if (encoder) file->WriteText(encoder->End(), op);
    if (file) file->Finish(op);

    if (session.ReadCompletion() != 0) {
        session.Fail(kFailedRead);
        if (file) file->Abandon(op);
        return Outcome::Failed;
    }
    // The file holds the first pass; the others are only compared with it.
    std::vector<std::vector<std::uint8_t>> later(passes - 1);
    for (std::uint32_t pass = 1; pass < passes; ++pass) {
        if (!ReadAgain(session, later[pass - 1], pass * blocks, blocks * passes)) {
            if (file) file->Abandon(op);
            return Outcome::Failed;
        }
        end = link.clock().NowMs();
    }
    const bool same_chip = passes == 1 || StillTheSameChip(session);
    session.findings.passes = passes;
    session.findings.unstable = FindUnstableBytes(content, later);
    session.findings.warnings = CheckContent(content);
    const auto log_warnings = [&] {
        for (const ContentWarning& warning : session.findings.warnings) op.Log("  " + warning.text);
    };
    const std::string agreed =
        "  Прочитано " + std::to_string(passes) + " раз, все чтения совпали.";
    if (session.findings.unstable.count != 0 || !same_chip) {
        if (session.findings.unstable.count != 0) {
            LogUnstable(session, passes, session.findings.unstable);
        } else {
            op.Log(agreed);
        }
        if (!same_chip)
            session.Fail(
                "  После чтения чип отвечает другим кодом или не отвечает: чип сдвинулся в "
                "панельке?");
        log_warnings();
        if (file) file->Abandon(op);
        return Outcome::Failed;
    }
    // A file that took the chosen name during the read stays as it is.
    if (file && !file->Keep()) {
        file->Abandon(op);
        return Outcome::Failed;
    }
    session.chip_sum = whole_sum;
    op.Log("  Чип считан за: " + std::to_string(end - start) + " миллисекунд.");
    if (passes > 1) op.Log(agreed);
    op.Log(blank ? std::string("  Чип чист.") : ChecksumLine(checksum));
    log_warnings();
    if (file) {
        const std::string form =
            format == ImageFormat::Raw ? "" : std::string(" (") + ImageFormatTitle(format) + ")";
        op.Log("  Содержимое сохранено в файле: \"" + ShownText(name) + "\"" + form + ".");
        session.findings.saved_files.push_back(name);
    }
    if (session.settings.print_sums) {
        session.findings.chip_sums = ComputeSums(content);
        for (const std::string& line : SumLines(*session.findings.chip_sums)) op.Log(line);
    }
    return Outcome::Succeeded;
}

}  // namespace

const ButtonOperation kReadButton = {"+++ Начало чтения чипа.", ReadChip,
                                     "--- Окончание чтения чипа."};

Outcome ReadChip(Session& session) {
    Operator& op = session.op;
    if (!IdentifyChip(session, true)) return Outcome::Failed;

    const bool saving = session.settings.save_read;
    OutputImageFile file(session.unfinished_files);
    std::string name;
    ImageFormat format = ImageFormat::Raw;
    if (saving) {
        const std::optional<std::string> chosen = op.ChooseSaveFile();
        if (!chosen) {
            session.Fail("  Операция чтения отменена пользователем!");
            op.Log("");
            return Outcome::Cancelled;
        }
        name = *chosen;
        if (FileSizeByName(name) >= 0) {
            session.Fail("  Такой файл существует: \"" + ShownText(name) + "\"!");
            session.Fail("  Операция чтения отмена.");
            op.Log("");
            return Outcome::Cancelled;
        }
        if (!file.CreateNew(name)) {
            session.Fail("  Ошибка создания файла:\"" + ShownText(name) + "\"");
            return Outcome::Failed;
        }
        format = op.SaveFormat(name);
    }
    // Whatever ends the read early, the program included, what was read is
    // kept and the log says where, before the front-end shows why it ended.
    try {
        return ReadInto(session, saving ? &file : nullptr, name, format);
    } catch (...) {
        file.Abandon(op);
        throw;
    }
}

}  // namespace dspprog
