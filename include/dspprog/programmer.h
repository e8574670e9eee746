// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A programmer and its operations. Each object is used by one thread at a
// time; several objects work in parallel, one thread each. Cancel() alone
// may be called from any thread at any time.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dspprog/error.h"
#include "dspprog/export.h"
#include "dspprog/image.h"

namespace dspprog {
inline namespace v0 {

// The library's version, "MAJOR.MINOR.PATCH".
DSPPROG_API std::string LibraryVersion();

// A programmer played by the built-in emulator.
struct EmulatedProgrammer {
    // A catalogue code ("0120"), a name, or CODE:SIZE:TYPE ("AB05:8192:255").
    std::string chip;
    // The chip's content, kept in this file (made erased when missing).
    std::optional<std::string> chip_file;
    // Fault words, as dspprog-cli's --fault takes them ("unplug@40", "stall:MainIn@3").
    std::vector<std::string> faults;
    // Reply bytes 1..15 to identification, as 30 hex digits.
    std::optional<std::string> ident;
};

// What a stall (a transfer that does not finish) does: nobody is asked;
// the transfer is awaited this long, then ProgrammerGone is thrown.
struct StallPolicy {
    std::uint32_t wait_seconds = 30;
};

// Which programmers to open.
struct OpenOptions {
    // A serial number, bus location, listing number or interface path, as
    // dspprog-cli's --device takes them; without it the first one found.
    // "all" is for Programmer::OpenAll.
    std::optional<std::string> device;
    // The hardware backend: "libusb" or "native"; without it the platform's.
    std::optional<std::string> backend;
    // The chip catalogue (chips.db); without it the usual search order.
    std::optional<std::string> catalogue;
    // Emulated programmers instead of hardware, one per entry.
    std::vector<EmulatedProgrammer> emulated;
    // The emulator works at once instead of taking a real programmer's time.
    bool fast = false;
    StallPolicy stall;
};

// One programmer present.
struct ProgrammerInfo {
    std::size_t number = 0;  // its place in the listing, from 1
    std::string serial;
    std::string location;
    std::string path;
    // Why it cannot be opened (permissions, driver); empty when it can.
    std::string problem;
};

struct ChipInfo {
    std::string name;
    std::string code;  // four hex digits: manufacturer and device
    std::uint32_t size = 0;
};

struct ReadResult {
    ChipInfo chip;
    Bytes bytes;
    Sums sums;
};

// Where a chip and an image differ.
struct VerifyResult {
    ChipInfo chip;
    bool equal = true;
    std::uint32_t differing = 0;  // how many bytes
    // The first differing addresses, in order (at most 16).
    std::vector<std::uint32_t> differences;
    Sums chip_sums;
    Sums image_sums;
};

// Throughput of the two output pipes in KB/s; nothing where none was measured.
struct SpeedResult {
    std::optional<double> command_pipe;
    std::optional<double> data_pipe;
};

// How an image is taken by write() and verify().
struct ImageOptions {
    // The form of the data given; without it the content decides.
    std::optional<ImageFormat> format;
    std::uint32_t offset = 0;  // the file address of the chip's first byte (HEX, S-record)
    bool pad = false;          // a short raw image is filled with 0xFF
    bool erase_first = true;   // write(): erase a chip that needs it before writing
};

// Blocks done of total; called with done = 0 when a phase starts.
using ProgressCallback = std::function<void(std::uint32_t done, std::uint32_t total)>;
// One log line, as the programs show it (UTF-8, Russian); empty: a separator.
using LogCallback = std::function<void(const std::string& line)>;

class DSPPROG_API Programmer {
public:
    // Opens the programmer `options` name. Throws BadInput for options that
    // cannot be used, ProgrammerGone when no programmer can be opened.
    static Programmer Open(const OpenOptions& options);
    // Every programmer `options` name ("all" or none: every one present),
    // each its own object.
    static std::vector<Programmer> OpenAll(const OpenOptions& options);
    // The programmers present, without opening any.
    static std::vector<ProgrammerInfo> List(const OpenOptions& options);

    Programmer(Programmer&&) noexcept;
    Programmer& operator=(Programmer&&) noexcept;
    ~Programmer();

    // The programmer this object is open on.
    ProgrammerInfo Info() const;

    ChipInfo Identify();
    ReadResult Read();
    void Erase();
    // Writes `image` (raw chip bytes, or the content of a HEX or S-record
    // file) and verifies every byte. An image that does not fit the chip is
    // BadInput before anything is sent.
    void Write(std::span<const std::uint8_t> image, const ImageOptions& options = {});
    void WriteFile(const std::string& path, const ImageOptions& options = {});
    // Compares the chip with `image`; differing bytes are a result, not an error.
    VerifyResult Verify(std::span<const std::uint8_t> image, const ImageOptions& options = {});
    VerifyResult VerifyFile(const std::string& path, const ImageOptions& options = {});
    SpeedResult Speed();

    void OnProgress(ProgressCallback callback);
    void OnLog(LogCallback callback);
    // Asks the operation running now (or the next one) to stop: it throws
    // Cancelled at its next block. Safe from any thread.
    void Cancel();

    struct Impl;

private:
    explicit Programmer(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace v0
}  // namespace dspprog
