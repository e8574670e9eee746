// SPDX-License-Identifier: GPL-3.0-or-later
// The Python module dspprog: the public C++ API, nothing more. Transfers run
// with the GIL released, so that programmers driven from several Python
// threads work at the same time; the callbacks take it back to run.
#include <pybind11/functional.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dspprog/dspprog.h"

namespace py = pybind11;

namespace {

using dspprog::Bytes;

Bytes BytesOf(const py::buffer& data) {
    const py::buffer_info info = data.request();
    const auto* start = static_cast<const std::uint8_t*>(info.ptr);
    return Bytes(start, start + info.size * info.itemsize);
}

py::bytes PyBytes(const Bytes& bytes) {
    return py::bytes(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// A Python callable kept by C++ and called from a thread without the GIL:
// called, copied and destroyed with the GIL held.
template <typename... Args>
std::function<void(Args...)> Holding(py::function function) {
    if (function.is_none()) return nullptr;
    auto held =
        std::shared_ptr<py::function>(new py::function(std::move(function)), [](py::function* f) {
            py::gil_scoped_acquire gil;
            delete f;
        });
    return [held](Args... args) {
        py::gil_scoped_acquire gil;
        (*held)(args...);
    };
}

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ',');) parts.push_back(part);
    return parts;
}

dspprog::OpenOptions OptionsOf(const std::optional<std::string>& emulate,
                               const std::optional<std::string>& chip_file,
                               const std::optional<std::string>& device,
                               const std::optional<std::string>& backend,
                               const std::optional<std::string>& catalogue,
                               const std::vector<std::string>& faults, bool fast,
                               std::uint32_t stall_seconds) {
    dspprog::OpenOptions options;
    options.device = device;
    options.backend = backend;
    options.catalogue = catalogue;
    options.fast = fast;
    options.stall.wait_seconds = stall_seconds;
    if (emulate) {
        const std::vector<std::string> files =
            chip_file ? SplitCommas(*chip_file) : std::vector<std::string>{};
        const std::vector<std::string> chips = SplitCommas(*emulate);
        for (std::size_t n = 0; n < chips.size(); ++n) {
            dspprog::EmulatedProgrammer one;
            one.chip = chips[n];
            if (n < files.size()) one.chip_file = files[n];
            one.faults = faults;
            options.emulated.push_back(one);
        }
    } else if (chip_file || !faults.empty()) {
        throw dspprog::BadInput("chip_file and faults need emulate");
    }
    return options;
}

dspprog::ImageOptions ImageOptionsOf(std::optional<dspprog::ImageFormat> format,
                                     std::uint32_t offset, bool pad, bool erase_first) {
    return {format, offset, pad, erase_first};
}

constexpr const char* kOpenDoc = R"(Opens a programmer.

emulate: the built-in emulator's chip (a catalogue code such as "0120", a
  name, or CODE:SIZE:TYPE) instead of hardware; several separated by commas
  for open_all().
chip_file: the emulated chip's content is kept in this file (several
  separated by commas).
device: a serial number, bus location, listing number or interface path.
backend: "libusb" or "native".
catalogue: the chip catalogue (chips.db); else the usual search order.
faults: fault words for the emulator, as dspprog-cli --fault takes them.
fast: the emulator takes no time.
stall_seconds: how long a stalled transfer is awaited before ProgrammerGone.

Raises BadInput for unusable options, ProgrammerGone when no programmer
can be opened.)";

// open() and open_all(): the same keywords, one programmer or all.
template <typename Opened>
void DefineOpening(py::module_& m, const char* name, Opened (*open)(const dspprog::OpenOptions&),
                   const char* doc) {
    m.def(
        name,
        [open](std::optional<std::string> emulate, std::optional<std::string> chip_file,
               std::optional<std::string> device, std::optional<std::string> backend,
               std::optional<std::string> catalogue, std::vector<std::string> faults, bool fast,
               std::uint32_t stall_seconds) {
            const auto options = OptionsOf(emulate, chip_file, device, backend, catalogue, faults,
                                           fast, stall_seconds);
            py::gil_scoped_release unlocked;
            return open(options);
        },
        py::kw_only(), py::arg("emulate") = py::none(), py::arg("chip_file") = py::none(),
        py::arg("device") = py::none(), py::arg("backend") = py::none(),
        py::arg("catalogue") = py::none(), py::arg("faults") = std::vector<std::string>{},
        py::arg("fast") = false, py::arg("stall_seconds") = 30, doc);
}

}  // namespace

PYBIND11_MODULE(dspprog, m) {
    m.doc() =
        "Drives a TMS320VC5509 USB chip programmer (or its emulator): identify, read, "
        "erase, write and verify chips; make images.";
    m.attr("__version__") = dspprog::LibraryVersion();

    static py::exception<dspprog::Error> error(m, "Error");
    error.doc() = "Base of every dspprog error; str() is the programmer's own (Russian) line.";
    static py::exception<dspprog::BadInput> bad_input(m, "BadInput", error.ptr());
    bad_input.doc() = "Options, files or images that cannot be used; nothing was sent.";
    static py::exception<dspprog::ChipFailure> chip_failure(m, "ChipFailure", error.ptr());
    chip_failure.doc() = "The chip did not do what was asked.";
    static py::exception<dspprog::ProgrammerGone> gone(m, "ProgrammerGone", error.ptr());
    gone.doc() = "The programmer was unplugged, not found, or stalled past the policy.";
    static py::exception<dspprog::Cancelled> cancelled(m, "Cancelled", error.ptr());
    cancelled.doc() = "cancel() stopped the operation.";
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const dspprog::BadInput& e) {
            bad_input(e.what());
        } catch (const dspprog::ChipFailure& e) {
            chip_failure(e.what());
        } catch (const dspprog::ProgrammerGone& e) {
            gone(e.what());
        } catch (const dspprog::Cancelled& e) {
            cancelled(e.what());
        } catch (const dspprog::Error& e) {
            error(e.what());
        }
    });

    py::enum_<dspprog::ImageFormat>(m, "ImageFormat", "The forms of an image file.")
        .value("RAW", dspprog::ImageFormat::Raw)
        .value("INTEL_HEX", dspprog::ImageFormat::IntelHex)
        .value("SRECORD", dspprog::ImageFormat::SRecord);

    py::class_<dspprog::Sums>(m, "Sums", "The 16-bit sum and the CRC-32 of some bytes.")
        .def_readonly("sum16", &dspprog::Sums::sum16)
        .def_readonly("crc32", &dspprog::Sums::crc32);
    py::class_<dspprog::ChipInfo>(m, "ChipInfo", "The chip identified.")
        .def_readonly("name", &dspprog::ChipInfo::name)
        .def_readonly("code", &dspprog::ChipInfo::code, "Four hex digits: manufacturer, device.")
        .def_readonly("size", &dspprog::ChipInfo::size, "Bytes.");
    py::class_<dspprog::VerifyResult>(m, "VerifyResult", "Where the chip and an image differ.")
        .def_readonly("chip", &dspprog::VerifyResult::chip)
        .def_readonly("equal", &dspprog::VerifyResult::equal)
        .def_readonly("differing", &dspprog::VerifyResult::differing, "How many bytes differ.")
        .def_readonly("differences", &dspprog::VerifyResult::differences,
                      "The first differing addresses (at most 16), in order.")
        .def_readonly("chip_sums", &dspprog::VerifyResult::chip_sums)
        .def_readonly("image_sums", &dspprog::VerifyResult::image_sums);
    py::class_<dspprog::SpeedResult>(m, "SpeedResult", "KB/s of the two output pipes.")
        .def_readonly("command_pipe", &dspprog::SpeedResult::command_pipe)
        .def_readonly("data_pipe", &dspprog::SpeedResult::data_pipe);
    py::class_<dspprog::ProgrammerInfo>(m, "ProgrammerInfo", "A programmer present.")
        .def_readonly("number", &dspprog::ProgrammerInfo::number)
        .def_readonly("serial", &dspprog::ProgrammerInfo::serial)
        .def_readonly("location", &dspprog::ProgrammerInfo::location)
        .def_readonly("path", &dspprog::ProgrammerInfo::path)
        .def_readonly("problem", &dspprog::ProgrammerInfo::problem,
                      "Why it cannot be opened; empty when it can.");

    using dspprog::Programmer;
    const auto release = py::call_guard<py::gil_scoped_release>();
    py::class_<Programmer>(m, "Programmer",
                           "One programmer. Use each from one thread at a time; several "
                           "programmers run in parallel from their own threads.")
        .def_property_readonly("info", &Programmer::Info)
        .def("identify", &Programmer::Identify, release, "Identifies the chip: a ChipInfo.")
        .def(
            "read",
            [](Programmer& p) {
                dspprog::ReadResult result;
                {
                    py::gil_scoped_release unlocked;
                    result = p.Read();
                }
                return PyBytes(result.bytes);
            },
            "Reads the whole chip: bytes.")
        .def("erase", &Programmer::Erase, release, "Erases the chip.")
        .def(
            "write",
            [](Programmer& p, const py::buffer& data, std::optional<dspprog::ImageFormat> format,
               std::uint32_t offset, bool pad, bool erase_first) {
                const Bytes image = BytesOf(data);
                py::gil_scoped_release unlocked;
                p.Write(image, ImageOptionsOf(format, offset, pad, erase_first));
            },
            py::arg("data"), py::arg("format") = py::none(), py::arg("offset") = 0,
            py::arg("pad") = false, py::arg("erase_first") = true,
            "Writes an image (raw bytes, or Intel HEX / S-record text) and verifies every "
            "byte. An image that does not fit the chip raises BadInput.")
        .def(
            "write_file",
            [](Programmer& p, const std::string& path, std::optional<dspprog::ImageFormat> format,
               std::uint32_t offset, bool pad, bool erase_first) {
                py::gil_scoped_release unlocked;
                p.WriteFile(path, ImageOptionsOf(format, offset, pad, erase_first));
            },
            py::arg("path"), py::arg("format") = py::none(), py::arg("offset") = 0,
            py::arg("pad") = false, py::arg("erase_first") = true,
            "Writes the image file at path, as write() writes data.")
        .def(
            "verify",
            [](Programmer& p, const py::buffer& data, std::optional<dspprog::ImageFormat> format,
               std::uint32_t offset, bool pad) {
                const Bytes image = BytesOf(data);
                py::gil_scoped_release unlocked;
                return p.Verify(image, ImageOptionsOf(format, offset, pad, true));
            },
            py::arg("data"), py::arg("format") = py::none(), py::arg("offset") = 0,
            py::arg("pad") = false, "Compares the chip with an image: a VerifyResult.")
        .def(
            "verify_file",
            [](Programmer& p, const std::string& path, std::optional<dspprog::ImageFormat> format,
               std::uint32_t offset, bool pad) {
                py::gil_scoped_release unlocked;
                return p.VerifyFile(path, ImageOptionsOf(format, offset, pad, true));
            },
            py::arg("path"), py::arg("format") = py::none(), py::arg("offset") = 0,
            py::arg("pad") = false, "Compares the chip with the image file at path.")
        .def("speed", &Programmer::Speed, release, "Measures the output pipes: a SpeedResult.")
        .def(
            "on_progress",
            [](Programmer& p, py::function callback) {
                p.OnProgress(Holding<std::uint32_t, std::uint32_t>(std::move(callback)));
            },
            py::arg("callback").none(true), "callback(done, total) in blocks; None: none.")
        .def(
            "on_log",
            [](Programmer& p, py::function callback) {
                p.OnLog(Holding<const std::string&>(std::move(callback)));
            },
            py::arg("callback").none(true), "callback(line) for each log line; None: none.")
        .def("cancel", &Programmer::Cancel,
             "Stops the running operation at its next block (it raises Cancelled). Any thread.");

    DefineOpening(m, "open", &Programmer::Open, kOpenDoc);
    DefineOpening(m, "open_all", &Programmer::OpenAll,
                  "Opens every programmer (as open() takes them): a list of Programmer.");
    m.def(
        "list_programmers",
        [](std::optional<std::string> backend, std::optional<std::string> emulate) {
            return Programmer::List(OptionsOf(emulate, std::nullopt, std::nullopt, backend,
                                              std::nullopt, {}, true, 30));
        },
        py::kw_only(), py::arg("backend") = py::none(), py::arg("emulate") = py::none(),
        "The programmers present: a list of ProgrammerInfo.");

    m.def(
        "sums", [](const py::buffer& data) { return dspprog::SumsOf(BytesOf(data)); },
        py::arg("data"), "The 16-bit sum and CRC-32 of data: a Sums.");
    m.def(
        "recognise_format",
        [](const py::buffer& content) { return dspprog::RecogniseFormat(BytesOf(content)); },
        py::arg("content"), "The form of an image file's content: an ImageFormat.");
    m.def(
        "decode_image",
        [](const py::buffer& content, dspprog::ImageFormat format, std::uint32_t size,
           std::uint32_t offset) {
            return PyBytes(dspprog::DecodeImage(BytesOf(content), format, size, offset));
        },
        py::arg("content"), py::arg("format"), py::arg("size"), py::arg("offset") = 0,
        "An image file's content made into size bytes (HEX/S-record address A at A - offset).");
    m.def(
        "encode_image",
        [](const py::buffer& data, dspprog::ImageFormat format, std::uint32_t offset) {
            return PyBytes(dspprog::EncodeImage(BytesOf(data), format, offset));
        },
        py::arg("data"), py::arg("format"), py::arg("offset") = 0,
        "data as the content of an image file in format, byte 0 at file address offset.");
}
