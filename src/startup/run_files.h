// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The files one run works with: the catalogue the search order finds, and
// each file the options name in its part.

#include "catalogue/catalogue_location.h"
#include "startup/file_roles.h"
#include "startup/start_options.h"

namespace dspprog {

struct RunFiles {
    CatalogueLocation location;
    FileRoles roles;
};

// Looks for the catalogue in `places` (the options' catalogue, when given,
// wins), and puts it and the emulator's files beside the front-end's own in
// `given` (output, image). False with `error` set when one file is given for
// two parts.
bool ChooseRunFiles(const StartOptions& options, CatalogueEnvironment places, FileRoles given,
                    RunFiles& files, std::string& error);

}  // namespace dspprog
