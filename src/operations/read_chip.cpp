// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/read_chip.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/shown_text.h"
#include "image/checksums.h"
#include "image/image_encoder.h"
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
        session.FailBox("Команду _BurstRead не принято");
        return Outcome::Failed;
    }

    if (encoder) file->WriteText(encoder->Begin(), op);
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
    op.Progress(0, blocks);
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
        op.Progress(n + 1, blocks);
    }
    const std::uint64_t end = link.clock().NowMs();
    if (encoder) file->WriteText(encoder->End(), op);
    if (file) file->Finish(op);

    if (session.ReadCompletion() != 0) {
        session.Fail("  Чип рапортует \"Операция чтения не успешна!\" ");
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
    op.Log(blank ? std::string("  Чип чист.") : ChecksumLine(checksum));
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
