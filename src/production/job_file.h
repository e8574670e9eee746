// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A job: one run plan saved as a TOML file, for a chip, with the SHA-256 of
// each file it takes, so that the engineer who prepared it decides what
// every chip gets and the operator only loads it. Paths in a job are
// relative to the job's own folder: the job and its files move together.
// docs/job.md describes the format.

#include <cstdint>
#include <string>

#include "catalogue/chip_record.h"
#include "production/run_plan.h"

namespace dspprog {

// The format this program writes and the newest it reads. A job of a newer
// format may say things this program would not understand, so it is refused
// as a whole rather than run in part.
inline constexpr std::int64_t kJobFormat = 1;

// The commands a job may run.
bool JobOperation(const std::string& command);

// Writes `plan` for `chip` (its Code and Name) as the job `path`, which
// must not exist yet: an existing file is never replaced. Each file the plan
// takes is read and its SHA-256 recorded. The programmer choice and the
// answer to a stalled transfer stay out: they belong to the place the job
// runs at. False with `error` set (one Russian line) when it cannot be saved.
bool SaveJob(const RunPlan& plan, const ChipRecord& chip, const std::string& path,
             std::string& error);

// What a job sets, as a front-end shows it.
struct Job {
    RunPlan plan;
    std::string name;  // the job file's name, without its folder
};

// Reads the job `path` into a run plan: its files named from the job's
// folder, its expected chip set, and every file it takes read now, once,
// and checked against its SHA-256; the run then uses exactly the bytes that
// were checked. False with `error` set ("Задание "PATH", строка N: ..."),
// when the job is damaged, newer than this program, or names a file that is
// missing or changed.
bool LoadJob(const std::string& path, Job& job, std::string& error);

// The chip check of a plan that expects a chip: true for its chip; else
// false with the reason, which names both chips and where the job said so.
bool CheckExpectedChip(const RunPlan& plan, const ChipRecord& identified, std::string& reason);

}  // namespace dspprog
