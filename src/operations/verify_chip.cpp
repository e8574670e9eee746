// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/verify_chip.h"

#include <cstdio>
#include <string>

#include "image/checksums.h"
#include "operations/chip_summary.h"
#include "operations/identify.h"
#include "operations/image_choice.h"

namespace dspprog {
namespace {

std::string DifferenceLine(const Differences::Byte& byte) {
    char line[80];
    std::snprintf(line, sizeof line, "  Адрес 0x%06X: в чипе 0x%02X, в файле 0x%02X",
                  static_cast<unsigned>(byte.address), static_cast<unsigned>(byte.chip),
                  static_cast<unsigned>(byte.file));
    return line;
}

}  // namespace

Differences CompareWithImage(Session& session, ImageInput& image) {
    Link& link = session.link;
    Operator& op = session.op;
    const std::uint32_t blocks = session.tChip.Size / kBlockSize;
    Differences differences;
    DataBlock expected;
    // What the chip is measured against is what the record of it names.
    std::vector<std::uint8_t>& content = session.findings.content;
    content.clear();
    content.reserve(session.tChip.Size);
    session.findings.content_source = OperationFindings::Source::Image;
    std::vector<std::uint64_t>& marks = session.findings.differing_marks;
    marks.clear();
    if (session.settings.print_sums) differences.chip.reserve(session.tChip.Size);
    std::uint16_t sum = 0;
    session.chip_sum.reset();
    op.Progress(0, blocks);
    for (std::uint32_t n = 0; n < blocks; ++n) {
        image.ReadBlock(session.DataBuf, op);
        expected = session.DataBuf;
        content.insert(content.end(), expected.begin(), expected.end());
        link.ReadPipe(*link.MainIn, session.DataBuf.data(), kBlockSize);
        if (session.settings.print_sums)
            differences.chip.insert(differences.chip.end(), session.DataBuf.begin(),
                                    session.DataBuf.end());
        for (std::uint32_t i = 0; i < kBlockSize; ++i) {
            sum = static_cast<std::uint16_t>(sum + session.DataBuf[i]);
            if (session.DataBuf[i] == expected[i]) continue;
            ++differences.count;
            const std::uint32_t address = n * kBlockSize + i;
            if (marks.empty()) marks.resize((session.tChip.Size + 63) / 64);
            marks[address / 64] |= std::uint64_t{1} << (address % 64);
            if (differences.first.size() < Differences::kShown)
                differences.first.push_back({address, session.DataBuf[i], expected[i]});
        }
        op.Progress(n + 1, blocks);
    }
    image.Close();
    session.ReadCompletion();
    session.findings.differing = differences.count;
    for (const Differences::Byte& byte : differences.first)
        session.findings.differing_addresses.push_back(byte.address);
    session.chip_sum = sum;
    if (!differences.chip.empty()) session.findings.chip_sums = ComputeSums(differences.chip);
    if (differences.count != 0)
        session.NoteFailure("Чип имеет: " + std::to_string(differences.count) + " ошибок(у/и)");
    return differences;
}

namespace {

void LogCount(Operator& op, const Differences& differences, const char* equal) {
    if (differences.count == 0) {
        op.Log(equal);
        return;
    }
    op.Log("  Чип имеет: " + std::to_string(differences.count) + " ошибок(у/и)");
    for (const Differences::Byte& byte : differences.first) op.Log(DifferenceLine(byte));
    if (differences.count > differences.first.size())
        op.Log("  ... и ещё " + std::to_string(differences.count - differences.first.size()));
}

}  // namespace

void LogDifferences(Operator& op, const Differences& differences,
                    const std::vector<std::uint8_t>& file, const char* equal) {
    LogCount(op, differences, equal);
    if (differences.chip.empty()) return;
    // Equal, the chip's sums are the file's too; differing, each set is named.
    const bool differ = differences.count != 0;
    if (differ) op.Log("  Суммы чипа:");
    for (const std::string& line : SumLines(ComputeSums(differences.chip))) op.Log(line);
    if (!differ) return;
    op.Log("  Суммы файла:");
    for (const std::string& line : SumLines(ComputeSums(file))) op.Log(line);
}

const ButtonOperation kCompareButton = {"+++ Начало сравнения чипа с файлом.", VerifyChip,
                                        "--- Окончание сравнения чипа с файлом."};

Outcome VerifyChip(Session& session) {
    Operator& op = session.op;
    if (!IdentifyChip(session, true)) return Outcome::Failed;
    op.Log(ChipIdentifiedLine(session.tChip));

    ImageInput image;
    std::string name;
    switch (ChooseImage(session, image, name, "  Операция сравнения отменена пользователем!")) {
        case ImageChosen::Ready:
            break;
        case ImageChosen::Cancelled:
            return Outcome::Cancelled;
        case ImageChosen::Unusable:
            return Outcome::Unusable;
    }
    op.Log("  Производится сравнение.");

    FillVerifyRead(session.CmdBuf(), session.tChip.Size);
    if (session.DoCommand() != 0) {
        session.FailBox("Команду _BurstRead не принято");
        return Outcome::Failed;
    }
    const Differences differences = CompareWithImage(session, image);
    LogDifferences(op, differences, session.findings.content, "  Чип совпадает с файлом.");
    return differences.count == 0 ? Outcome::Succeeded : Outcome::Failed;
}

}  // namespace dspprog
