// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/run_files.h"

#include <utility>

namespace dspprog {

bool ChooseRunFiles(const StartOptions& options, CatalogueEnvironment places, FileRoles given,
                    RunFiles& files, std::string& error) {
    places.explicit_file = options.catalogue;
    files.location = LocateCatalogue(places);
    files.roles = std::move(given);
    files.roles.catalogue = files.location.path;
    if (options.emulate) {
        files.roles.chip_file = options.emulator.chip_file;
        files.roles.wire_log = options.emulator.wire_log;
    }
    return CheckFileRoles(files.roles, error);
}

}  // namespace dspprog
