// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The state one programmer session works on: the link, the command and data
// blocks, the current chip and the catalogue, and the operator.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "catalogue/chip_record.h"
#include "catalogue/chip_table.h"
#include "image/image_arrangement.h"
#include "image/image_pipeline.h"
#include "link/link.h"
#include "operations/operation_findings.h"
#include "operations/operator.h"
#include "operations/unfinished_file_watch.h"
#include "protocol/exchange.h"

namespace dspprog {

inline constexpr std::uint32_t kBlockSize = 4096;
using DataBlock = std::array<std::uint8_t, kBlockSize>;

// The choices the operator makes for the next operation.
struct OperationSettings {
    bool save_read = false;        // a read saves the content to a file
    bool erase_first = true;       // a write erases chips that are erased before writing
    bool pad_short_image = false;  // a raw image shorter than the chip is filled with 0xFF
    // The file address of the chip's first byte in a HEX or S-record image.
    std::uint32_t image_offset = 0;
    // The form the operator says the image to write or compare with is in;
    // without it the file's content, then its name, decide.
    std::optional<ImageFormat> image_format;
    // Where the image's file goes, the files placed beside it, the fill,
    // the byte swap and the lane the chip gets.
    ImageLayout layout;
    // A read or a verify ends with the sums of the chip's whole content.
    bool print_sums = false;
    // Laid over the image a write sends and a verify compares with.
    std::optional<ImagePatch> image_patch;
    // A read takes the whole chip this many times (1 to kMostReadPasses) and
    // succeeds only when every pass agrees with the first.
    std::uint32_t passes = 1;
    // Where the image files come from; empty: the disk, as the operator names
    // them. A run whose files were checked before it started reads the very
    // bytes that were checked, whatever has become of the files since.
    ImageFileReader read_image;
    // Asked after each identification, before anything else goes to the
    // chip; false, with `reason` set, refuses the chip as one the run is not
    // for. Empty: every known chip will do.
    std::function<bool(const ChipRecord& chip, std::string& reason)> chip_check;
};

inline constexpr std::uint32_t kMostReadPasses = 9;

struct Session {
    Session(Link& l, ChipTable& table, Operator& o)
        : link(l), catalogue(table), op(o), channel_(l) {}

    Link& link;
    DataBlock DataBuf{};
    ChipRecord tChip;
    ChipTable& catalogue;
    Operator& op;

    // Non-zero while an operation started by the operator runs.
    std::uint8_t Busy = 0;

    // How the operations are to be done; the front-ends fill it in from their
    // check boxes or options before each one.
    OperationSettings settings;

    // The decimal separator of the operator's locale, for the speed figures.
    char DecimalSeparator = '.';

    // The 16-bit sum of every byte the last read or compare took from the
    // chip; nothing before one has run to its end.
    std::optional<std::uint16_t> chip_sum;

    // Asked just before a write's command goes to the programmer, when set:
    // false (with the reason) and the chip is not written. A series that
    // numbers its chips marks the number spent here.
    std::function<bool(std::string& why)> write_may_begin;

    // Told where a read's image is while it is unfinished; may be null.
    UnfinishedFileWatch* unfinished_files = nullptr;

    // What the last operation found, for those who report it (logs, --json);
    // cleared as each operation starts.
    OperationFindings findings;

    // The line (or the box) that says why the operation fails: shown, and
    // kept as the failure unless an earlier one already said why.
    void Fail(const std::string& line) {
        op.Log(line);
        NoteFailure(line);
    }
    void FailBox(const std::string& text) {
        op.ErrorBox(text);
        NoteFailure(text);
    }
    void NoteFailure(const std::string& why) {
        if (!findings.failure.empty()) return;
        const std::size_t start = why.find_first_not_of(' ');
        findings.failure = start == std::string::npos ? why : why.substr(start);
    }

    // The command channel: operations fill CmdBuf, exchange it for a reply,
    // and read the completion reply that ends a read, erase or write.
    Block16& CmdBuf() { return channel_.CmdBuf; }
    Block16& ReplyBuf() { return channel_.ReplyBuf; }
    std::uint8_t DoCommand() { return channel_.DoCommand(); }
    std::uint8_t ReadCompletion() { return channel_.ReadCompletion(); }

private:
    CommandChannel channel_;
};

// How an operation ended, for callers that need more than the log (the
// command line's exit status, the window's status bar).
enum class Outcome {
    Succeeded,
    Failed,     // refused, not identified, not blank, verify errors, ...
    Cancelled,  // the operator declined a dialog
    Unusable,   // the image file is missing, unreadable, damaged or of a size the chip cannot
                // take, or the chip is not the one the run is for
    Refused,    // another operation was running (Busy)
};

}  // namespace dspprog
