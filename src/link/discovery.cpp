#include "link/discovery.h"

namespace dspprog {

namespace {

std::string PaddedDecimal(const char* prefix, std::uint32_t number) {
    std::string digits = std::to_string(number);
    if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
    return prefix + digits;
}

}  // namespace

std::string VendorText(std::uint32_t vendor) { return PaddedDecimal("vid_", vendor); }
std::string ProductText(std::uint32_t product) { return PaddedDecimal("pid_", product); }

bool GetSymbolicLink(InterfaceEnumerator& enumerator, const std::string& interface_class,
                     std::uint32_t vendor, std::uint32_t product, const std::string& manufacturer,
                     std::string& path) {
    path.clear();
    const std::string vid = VendorText(vendor);
    const std::string pid = ProductText(product);

    if (!enumerator.Begin(interface_class)) return false;

    for (std::uint32_t index = 0;; ++index) {
        if (!enumerator.Exists(index)) break;
        // First detail read: it also tells which device owns the interface.
        if (enumerator.DetailSize(index) == 0) break;
        if (!enumerator.ReadPath(index)) break;
        if (enumerator.Manufacturer(index) != manufacturer) continue;

        // The manufacturer matches: the path is read a second time, into a fresh record.
        if (enumerator.DetailSize(index) == 0) break;
        std::optional<std::string> second = enumerator.ReadPath(index);
        if (!second) break;
        path = *second;
        if (path.find(vid) != std::string::npos && path.find(pid) != std::string::npos) {
            enumerator.End();
            return true;
        }
    }
    enumerator.End();
    return false;
}

bool ListEnumerator::Begin(const std::string&) {
    size_queries_.assign(entries_.size(), 0);
    reads_.assign(entries_.size(), 0);
    return !begin_fails_;
}

std::uint32_t ListEnumerator::DetailSize(std::uint32_t index) {
    if (static_cast<int>(index) > highest_examined_) highest_examined_ = static_cast<int>(index);
    const Entry& e = entries_.at(index);
    const int n = size_queries_.at(index)++;
    if (e.size_fails_from >= 0 && n >= e.size_fails_from) return 0;
    // A detail record: 4 bytes of size field, the path and its NUL.
    return static_cast<std::uint32_t>(4 + e.path.size() + 1);
}

std::optional<std::string> ListEnumerator::ReadPath(std::uint32_t index) {
    const Entry& e = entries_.at(index);
    const int n = reads_.at(index)++;
    if (e.read_fails_from >= 0 && n >= e.read_fails_from) return std::nullopt;
    // The path ends at its first NUL, as it would in a platform record.
    return e.path.substr(0, e.path.find('\0'));
}

std::string ListEnumerator::Manufacturer(std::uint32_t index) {
    const std::string& m = entries_.at(index).manufacturer;
    return m.substr(0, m.find('\0'));
}

}  // namespace dspprog
