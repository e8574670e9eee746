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

// A fixed list of interfaces, with optional failure points: the enumerator
// behind the emulator and the tests, and a convenient base for backends that
// collect their interfaces up front.
class ListEnumerator : public InterfaceEnumerator {
public:
    struct Entry {
        std::string manufacturer;
        std::string path;
        int size_fails_from = -1;  // from the n-th size query (0-based) on, the size reads as 0
        int read_fails_from = -1;  // from the n-th detail read (0-based) on, the read fails
    };

    ListEnumerator() = default;
    explicit ListEnumerator(std::vector<Entry> entries) : entries_(std::move(entries)) {}

    void Add(Entry entry) { entries_.push_back(std::move(entry)); }
    void FailBegin() { begin_fails_ = true; }

    bool Begin(const std::string& interface_class) override;
    bool Exists(std::uint32_t index) override { return index < entries_.size(); }
    std::uint32_t DetailSize(std::uint32_t index) override;
    std::optional<std::string> ReadPath(std::uint32_t index) override;
    std::string Manufacturer(std::uint32_t index) override;
    void End() override { ++ended_; }

    // How often the set was released (tests check it is released on every exit).
    int ended() const { return ended_; }
    // Highest index whose interface was examined, -1 for none.
    int highest_examined() const { return highest_examined_; }

private:
    std::vector<Entry> entries_;
    std::vector<int> size_queries_;
    std::vector<int> reads_;
    bool begin_fails_ = false;
    int ended_ = 0;
    int highest_examined_ = -1;
};

}  // namespace dspprog
