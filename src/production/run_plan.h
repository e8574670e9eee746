// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything one run needs, in one record: the command line builds it from
// its options, the window from its controls, and the executor runs it the
// same way for both, so that a combination that works on one path works on
// every one.

#include <cstdint>
#include <optional>
#include <string>

#include "catalogue/chip_record.h"
#include "image/image_arrangement.h"
#include "image/image_format.h"
#include "image/serial_number.h"
#include "link/device_choice.h"
#include "operations/session.h"
#include "startup/operation_table.h"
#include "startup/start_options.h"

namespace dspprog {

struct RunPlan {
    const OperationRow* operation = nullptr;

    // The image a write or a verify takes: its file (nothing: the operator
    // is asked for it once the chip is identified), the form the file is
    // said to be in, and how the files are arranged into the chip's bytes.
    std::optional<std::string> image;
    std::optional<ImageFormat> image_format;
    ImageLayout layout;
    std::uint32_t offset = 0;
    bool pad = false;
    bool erase_first = true;

    // A read's copy: whether one is saved, under which name (nothing: the
    // operator is asked) and in which form.
    bool save_read = false;
    std::optional<std::string> output;
    std::optional<ImageFormat> output_format;
    // A read or a verify ends with the sums of the chip and of the file.
    bool sums = false;
    // How many times a read takes the chip, each pass compared with the first.
    std::uint32_t passes = 1;

    // A number written into each chip, and the file that keeps the next one.
    std::optional<SerialNumbering> serial;
    std::optional<std::string> serial_file;
    // Or the server that keeps the numbers of several stations (a URL or a
    // connection string), and the series' name there (nothing: the
    // numbering's text).
    std::optional<std::string> serial_db;
    std::optional<std::string> serial_series;

    // Chip after chip: with `repeat`, ending after `repeat_count` chips when
    // it is given; with `auto_next`, going on when the chip is swapped.
    bool repeat = false;
    std::optional<std::uint32_t> repeat_count;
    bool auto_next = false;
    // A JSON line for each chip: a file, or a database's URL.
    std::optional<std::string> log;

    // Which programmer ("all": every one at once); nothing: the first found.
    std::optional<std::string> device;
    StallAnswer on_stall = StallAnswer::Ask;

    // The chip a job file says the run is for: every chip identified is
    // checked against it before anything else goes to it. `expected_where`
    // says where the job said so, for the refusal.
    std::optional<ChipRecord> expected_chip;
    std::string expected_where;
    // Where the image files' bytes come from; empty: the disk. A job reads
    // its files once, when it is loaded, and the run takes those bytes.
    ImageFileReader read_image;

    // Every programmer at once.
    bool Gang() const { return device && *device == kAllDevices && operation != nullptr; }
    // Chip by chip with its counts, serial numbers or log line.
    bool Series() const { return repeat || auto_next || serial || log; }
    // The settings every chip's operation gets.
    OperationSettings Settings() const {
        OperationSettings settings;
        settings.save_read = save_read;
        settings.erase_first = erase_first;
        settings.pad_short_image = pad;
        settings.image_offset = offset;
        settings.layout = layout;
        settings.print_sums = sums;
        settings.image_format = image_format;
        settings.passes = passes;
        settings.read_image = read_image;
        return settings;
    }
};

}  // namespace dspprog
