// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which file a run takes as its catalogue. Only the file is chosen here; the
// lookup reads whatever file it is given exactly as before.
//
// The places, first one that holds a chips.db wins:
//   1. the file named on the command line (the catalogue option), taken even when
//      it is missing, so that a wrong name ends in the usual fatal stop;
//   2. chips.db in the current directory, where existing installations keep it;
//   3. $XDG_DATA_HOME/dspprog/chips.db, by default ~/.local/share/dspprog/chips.db,
//      the user's own edited copy;
//   4. the catalogue the package installs, found relative to the running
//      program (<program's dir>/../share/dspprog/chips.db in the usual layout),
//      so that an installation works from whatever root it was unpacked into.

#include <optional>
#include <string>
#include <vector>

namespace dspprog {

// Everything the choice depends on. An empty string stands for "not set" or
// "not known".
struct CatalogueEnvironment {
    std::optional<std::string> explicit_file;  // the catalogue option's FILE
    std::string current_dir;                   // empty: the bare relative name "chips.db"
    std::string xdg_data_home;                 // $XDG_DATA_HOME
    std::string home;                          // $HOME
    std::string executable_dir;                // the directory of the running program
};

struct CatalogueLocation {
    // The file to open: the first place that holds a regular file, else the
    // explicit file when one is named, else chips.db in the current directory.
    std::string path;
    // Whether `path` held a regular file when it was chosen.
    bool found = false;
    // Every place considered, in order of precedence: just the explicit file
    // when one is named, else the current directory's, the user's data
    // directory's (when HOME or XDG_DATA_HOME gives one) and the installed one
    // (when the program's directory is known).
    std::vector<std::string> looked_at;
};

// Chooses the catalogue for `environment`. Looks at the file system, changes
// nothing.
CatalogueLocation LocateCatalogue(const CatalogueEnvironment& environment);

// The environment of this process: its working directory, XDG_DATA_HOME,
// HOME and the directory of its executable (/proc/self/exe on Linux,
// GetModuleFileNameW on Windows; empty elsewhere or when it cannot be read).
CatalogueEnvironment ProcessCatalogueEnvironment(std::optional<std::string> explicit_file);

// One line for the operator after a catalogue was not found, naming the
// places looked at: "no catalogue found; looked in: A, B, C".
std::string CatalogueSearchText(const CatalogueLocation& location);

}  // namespace dspprog
