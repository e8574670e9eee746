// SPDX-License-Identifier: GPL-3.0-or-later
#include "production/chip_log.h"

#include <chrono>
#include <ctime>
#include <nlohmann/json.hpp>

#include "base/utf8_file.h"
#include "image/checksums.h"

namespace dspprog {
namespace {

std::FILE* OpenForAppending(const std::string& path) {
    return StreamOverDescriptor(OpenRegularForWriting(path, true), "ab");
}

}  // namespace

std::string LocalTimeStamp() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char date_time[32] = "";
    char offset[16] = "";
    std::strftime(date_time, sizeof date_time, "%Y-%m-%dT%H:%M:%S", &local);
    std::strftime(offset, sizeof offset, "%z", &local);
    // %z gives +0300; ISO 8601's extended form wants +03:00.
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%s%.3s:%.2s", date_time, offset, offset + 3);
    return stamp;
}

std::unique_ptr<ChipLog> ChipLog::Open(const std::string& path, std::string& error) {
    std::unique_ptr<ChipLog> log(new ChipLog);
    log->path_ = path;
    log->file_ = OpenForAppending(path);
    if (log->file_ == nullptr) {
        error = "Журнал серии \"" + path + "\" не удаётся открыть для дополнения";
        return nullptr;
    }
    return log;
}

ChipLog::~ChipLog() {
    if (file_ != nullptr) std::fclose(file_);
}

std::string ChipLogLine(const ChipLogEntry& entry, const std::string& time) {
    nlohmann::ordered_json line;
    line["time"] = time;
    line["programmer"] = {{"serial", entry.programmer.serial},
                          {"location", entry.programmer.location}};
    line["operation"] = entry.operation;
    if (!entry.chip.Name.empty()) {
        char code[8];
        std::snprintf(code, sizeof code, "%02X%02X", static_cast<unsigned>(entry.chip.ManufCode),
                      static_cast<unsigned>(entry.chip.DevCode));
        line["chip"] = {{"code", code}, {"name", entry.chip.Name}, {"size", entry.chip.Size}};
    } else {
        line["chip"] = nullptr;
    }
    line["ok"] = entry.ok;
    if (!entry.ok) line["reason"] = entry.reason;
    line["duration_ms"] = entry.duration_ms;
    if (entry.content != nullptr && !entry.content->empty()) {
        char sums[24];
        std::snprintf(sums, sizeof sums, "%04X %08X", static_cast<unsigned>(Sum16(*entry.content)),
                      static_cast<unsigned>(Crc32(*entry.content)));
        line["sum16"] = std::string(sums, 4);
        line["crc32"] = std::string(sums + 5);
    }
    if (entry.serial) {
        line["serial"] = *entry.serial;
        line["serial_spent"] = entry.serial_spent;
    }
    // Names and reasons come from the catalogue and the file system: text
    // that is not UTF-8 is replaced rather than losing the line.
    return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool ChipLog::Append(const ChipLogEntry& entry, std::string& error) {
    const std::string text = ChipLogLine(entry, LocalTimeStamp()) + "\n";
    std::lock_guard guard(mutex_);
    const bool written = std::fwrite(text.data(), 1, text.size(), file_) == text.size();
    if (!written || std::fflush(file_) != 0 || !FlushToDisk(file_)) {
        error = "Журнал серии \"" + path_ + "\" не удаётся записать";
        return false;
    }
    return true;
}

}  // namespace dspprog
