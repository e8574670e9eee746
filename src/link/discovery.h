// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finding the programmer among the present device interfaces of one class.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dspprog {

// The programmer's device interface class, vendor and product numbers and
// manufacturer text, as the firmware reports them.
inline constexpr const char* kProgrammerInterfaceGuid = "{00873FDF-61A8-11D1-AA5E-00C04FB1728B}";
inline constexpr std::uint32_t kProgrammerVendor = 1992;
inline constexpr std::uint32_t kProgrammerProduct = 2003;
inline constexpr const char* kProgrammerManufacturer = "Zelvandrik";

// What the platform tells of the device behind one interface besides its
// path; each part empty when it is not known.
struct DeviceFacts {
    std::string serial;    // the USB serial number
    std::string location;  // where it sits on the bus ("1-4.2")
    // Why the device cannot be opened (no permission, the wrong driver),
    // with what the user can do about it.
    std::string problem;
};

// A walk over the present interfaces of one device interface class, in
// enumeration order. Each platform supplies one; the search itself is the same
// everywhere. The calls mirror the steps at which a platform can fail.
class InterfaceEnumerator {
public:
    virtual ~InterfaceEnumerator() = default;

    // Builds the set of present interfaces of the class. False when none can be made.
    virtual bool Begin(const std::string& interface_class) = 0;
    // True while `index` names an interface of the set.
    virtual bool Exists(std::uint32_t index) = 0;
    // The size of the interface's detail record, 0 when it cannot be told.
    virtual std::uint32_t DetailSize(std::uint32_t index) = 0;
    // The interface's device path; nullopt when the detail cannot be read.
    virtual std::optional<std::string> ReadPath(std::uint32_t index) = 0;
    // The manufacturer text of the interface's device; empty when it has none.
    virtual std::string Manufacturer(std::uint32_t index) = 0;
    // The facts of the interface's device; asked after its path and
    // manufacturer have been read.
    virtual DeviceFacts Facts(std::uint32_t index) {
        (void)index;
        return {};
    }
    // Programmers present that the walk cannot reach at all (on Windows, one
    // bound to another driver shows no interface of the class): each with a
    // path that names it and the reason in its facts. Asked before End.
    struct Unreachable {
        std::string path;
        DeviceFacts facts;
    };
    virtual std::vector<Unreachable> UnreachableProgrammers() { return {}; }
    // Releases the set.
    virtual void End() = 0;
};

// "vid_" / "pid_" texts: decimal, at least four digits, zero-padded, never cut.
std::string VendorText(std::uint32_t vendor);
std::string ProductText(std::uint32_t product);

// Searches for the first interface whose manufacturer is exactly `manufacturer`
// and whose path contains both the vendor and the product text. True when found;
// `path` then holds its path. On false, `path` holds the path of the last
// interface whose manufacturer matched and whose path was read, or is empty.
bool GetSymbolicLink(InterfaceEnumerator& enumerator, const std::string& interface_class,
                     std::uint32_t vendor, std::uint32_t product, const std::string& manufacturer,
                     std::string& path);

// A fixed list of interfaces that reads without fail: the emulated
// programmer's one interface, or none at all in a build without hardware.
class FixedEnumerator : public InterfaceEnumerator {
public:
    struct Entry {
        std::string manufacturer;
        std::string path;
        DeviceFacts facts{};
    };

    FixedEnumerator() = default;
    explicit FixedEnumerator(std::vector<Entry> entries) : entries_(std::move(entries)) {}

    bool Begin(const std::string&) override { return true; }
    bool Exists(std::uint32_t index) override { return index < entries_.size(); }
    // A detail record: 4 bytes of size field, the path and its NUL.
    std::uint32_t DetailSize(std::uint32_t index) override;
    // The path and the manufacturer end at their first NUL, as in a platform record.
    std::optional<std::string> ReadPath(std::uint32_t index) override;
    std::string Manufacturer(std::uint32_t index) override;
    DeviceFacts Facts(std::uint32_t index) override { return entries_.at(index).facts; }
    void End() override {}

private:
    std::vector<Entry> entries_;
};

}  // namespace dspprog
