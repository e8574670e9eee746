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

Json LaneJson(const LaneReport& lane) {
    Json entry{{"name", lane.name}};
    if (!lane.chip.empty()) {
        entry["chip"] = lane.chip;
    } else {
        entry["chip"] = nullptr;
    }
    entry["ok"] = lane.succeeded;
    entry["ms"] = lane.ms;
    if (lane.chip_sum) entry["sum16"] = Hex(*lane.chip_sum, 4);
    if (lane.counts)
        entry["counts"] = {{"passed", lane.counts->passed}, {"failed", lane.counts->failed}};
    if (!lane.problem.empty()) entry["problem"] = lane.problem;
    return entry;
}

}  // namespace

std::string JsonLogEvent(const std::string& text, const std::string& device) {
    Json event{{"event", "log"}};
    if (!device.empty()) event["device"] = device;
    event["text"] = text;
    return Line(event);
}

std::string JsonProgressEvent(std::uint32_t done, std::uint32_t total, const std::string& device) {
    Json event{{"event", "progress"}};
    if (!device.empty()) event["device"] = device;
    event["done"] = done;
    event["total"] = total;
    return Line(event);
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
    if (report.lanes) {
        Json lanes = Json::array();
        for (const LaneReport& lane : *report.lanes) lanes.push_back(LaneJson(lane));
        event["lanes"] = lanes;
    }
    return Line(event);
}

}  // namespace dspprog
