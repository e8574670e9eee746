// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/json_events.h"

#include <cctype>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <span>

#include "image/checksums.h"
#include "production/chip_log.h"

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

std::string Digest(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (std::uint8_t byte : bytes) text += Hex(byte, 2);
    for (char& digit : text) digit = static_cast<char>(std::tolower(digit));
    return text;
}

Json SumsJson(const ImageSums& sums) {
    return {{"sum16", Hex(sums.sum16, 4)},
            {"crc32", Hex(sums.crc32, 8)},
            {"sha1", Digest(sums.sha1)},
            {"sha256", Digest(sums.sha256)}};
}

Json WarningJson(const ContentWarning& warning) {
    switch (warning.kind) {
        case ContentWarning::Kind::DataBit:
            return {{"kind", "data_bit"},
                    {"line", "D" + std::to_string(warning.bit)},
                    {"value", warning.value},
                    {"text", warning.text}};
        case ContentWarning::Kind::MirroredHalves:
            return {{"kind", "mirrored_halves"}, {"text", warning.text}};
        case ContentWarning::Kind::AllZero:
            break;
    }
    return {{"kind", "all_zero"}, {"text", warning.text}};
}

// What an operation found, the same way for a run's result and for each
// site of a gang: the bytes written or read, where the chip differed, and
// the sums, named for the chip's content and for the file's.
void AddFindings(Json& event, const OperationFindings& found, bool compares) {
    if (!found.content.empty()) {
        event["sum16"] = Hex(Sum16(found.content), 4);
        event["crc32"] = Hex(Crc32(found.content), 8);
    }
    if (compares) {
        Json addresses = Json::array();
        for (std::uint32_t address : found.differing_addresses) addresses.push_back(address);
        event["differing"] = found.differing;
        event["differing_addresses"] = addresses;
    }
    // A read of several passes: where they disagreed, if anywhere.
    if (found.passes > 1) {
        event["passes"] = found.passes;
        Json addresses = Json::array();
        for (const UnstableBytes::Byte& byte : found.unstable.first)
            addresses.push_back({{"address", byte.address}, {"values", byte.values}});
        event["unstable"] = {{"count", found.unstable.count},
                             {"bits", found.unstable.bits},
                             {"addresses", addresses}};
    }
    if (!found.warnings.empty()) {
        Json warnings = Json::array();
        for (const ContentWarning& warning : found.warnings)
            warnings.push_back(WarningJson(warning));
        event["warnings"] = warnings;
    }
    if (found.chip_sums) {
        event["chip_sums"] = SumsJson(*found.chip_sums);
        // A compare's content is the file's; a read's is the chip's own.
        if (compares) event["file_sums"] = SumsJson(ComputeSums(found.content));
    }
}

Json SiteJson(const SiteReport& site, bool compares) {
    Json entry{{"name", site.name}};
    if (!site.chip.empty()) {
        entry["chip"] = site.chip;
    } else {
        entry["chip"] = nullptr;
    }
    entry["ok"] = site.succeeded;
    entry["ms"] = site.ms;
    AddFindings(entry, site.findings, compares);
    if (site.counts)
        entry["counts"] = {{"passed", site.counts->passed}, {"failed", site.counts->failed}};
    if (!site.reason.empty()) entry["reason"] = site.reason;
    if (site.stopped) entry["stopped"] = true;
    if (!site.problem.empty()) entry["problem"] = site.problem;
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
    const bool compares = report.command == "verify" || report.command == "write";
    // A gang's findings are each site's: a top-level count of differing
    // bytes would hide the site that differed behind the others' nothing.
    if (!report.sites) AddFindings(event, found, compares);
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
    if (exit_status != 0 && !report.reason.empty()) event["reason"] = report.reason;
    if (report.counts)
        event["counts"] = {{"passed", report.counts->passed}, {"failed", report.counts->failed}};
    if (report.catalogue_rows) event["rows"] = *report.catalogue_rows;
    if (report.sites) {
        Json sites = Json::array();
        for (const SiteReport& site : *report.sites) sites.push_back(SiteJson(site, compares));
        // Named "lanes" for the programs that read it.
        event["lanes"] = sites;
    }
    return Line(event);
}

}  // namespace dspprog
