// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/json_events.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "app/chip_log.h"
#include "image/checksums.h"

namespace dspprog {
namespace {

using Json = nlohmann::ordered_json;

// File names and catalogue text need not be UTF-8: such bytes are replaced,
// never allowed to end the output.
std::string Line(const Json& event) {
    return event.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

}  // namespace

std::string JsonLogEvent(const std::string& text) {
    return Line(Json{{"event", "log"}, {"text", text}});
}

std::string JsonProgressEvent(std::uint32_t done, std::uint32_t total) {
    return Line(Json{{"event", "progress"}, {"done", done}, {"total", total}});
}

std::string JsonResultEvent(int exit_status, const CommandReport& report) {
    Json event{{"event", "result"}, {"ok", exit_status == 0}, {"exit", exit_status}};
    event["command"] = report.command;
    if (report.chip && !report.chip->Name.empty()) {
        event["chip"] = {{"code", Hex(report.chip->ManufCode, 2) + Hex(report.chip->DevCode, 2)},
                         {"name", report.chip->Name},
                         {"size", report.chip->Size}};
    }
    const OperationFindings& found = report.findings;
    if (!found.content.empty()) {
        event["sum16"] = Hex(Sum16(found.content), 4);
        event["crc32"] = Hex(Crc32(found.content), 8);
    }
    if (report.command == "verify" || report.command == "write") {
        Json addresses = Json::array();
        for (std::uint32_t address : found.differing_addresses) addresses.push_back(address);
        event["differing"] = found.differing;
        event["differing_addresses"] = addresses;
    }
    if (!found.speeds.empty()) {
        Json speeds = Json::object();
        for (const auto& [pipe, speed] : found.speeds) {
            if (speed) {
                speeds[pipe] = *speed;
            } else {
                speeds[pipe] = nullptr;
            }
        }
        event["speeds_kbps"] = speeds;
    }
    if (!found.saved_files.empty()) event["files"] = found.saved_files;
    if (report.counts)
        event["counts"] = {{"passed", report.counts->passed}, {"failed", report.counts->failed}};
    if (report.catalogue_rows) event["rows"] = *report.catalogue_rows;
    return Line(event);
}

}  // namespace dspprog
