// SPDX-License-Identifier: GPL-3.0-or-later
// The choice of chips.db among the places a run looks at: each place on its
// own, and which one wins when several hold a catalogue. The environment is a
// fake root in a temporary directory; the process's own is only read once, to
// see that the program's directory is found.

#include "catalogue/catalogue_location.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_catalogue.h"

namespace dspprog {
namespace {

namespace fs = std::filesystem;

enum class Place { Explicit, CurrentDir, XdgDataHome, HomeDefault, Installed };

// A fake root: a working directory, a home, a separate XDG data directory and
// an installation laid out as the build configures it (bindir and datadir),
// all under one temporary directory.
class CatalogueLocationTest : public ::testing::Test {
protected:
    CatalogueLocationTest() {
        for (const char* dir : {"work", "home", "xdg"}) fs::create_directories(root_ / dir);
        fs::create_directories(Installed(DSPPROG_TEST_FULL_BINDIR));
        environment.current_dir = (root_ / "work").string();
        environment.home = (root_ / "home").string();
        environment.executable_dir = Installed(DSPPROG_TEST_FULL_BINDIR).string();
    }
    // Where each place keeps its chips.db in the fake root.
    fs::path PathOf(Place place) const {
        switch (place) {
            case Place::Explicit:
                return root_ / "elsewhere" / "named.db";
            case Place::CurrentDir:
                return root_ / "work" / "chips.db";
            case Place::XdgDataHome:
                return root_ / "xdg" / "dspprog" / "chips.db";
            case Place::HomeDefault:
                return root_ / "home" / ".local" / "share" / "dspprog" / "chips.db";
            case Place::Installed:
                return Installed(DSPPROG_TEST_FULL_DATADIR) / "dspprog" / "chips.db";
        }
        return {};
    }

    void Put(Place place) const {
        fs::create_directories(PathOf(place).parent_path());
        std::ofstream(PathOf(place)) << "catalogue";
    }

    fs::path Installed(const std::string& full_dir) const {
        return (root_ / "root" / fs::path(full_dir).relative_path()).lexically_normal();
    }

    TempCatalogue temp_;  // only for its fresh directory, removed with the fixture
    const fs::path root_ = temp_.dir();
    CatalogueEnvironment environment;
};

struct ChoiceCase {
    const char* name;
    std::vector<Place> present;
    bool name_explicit;
    bool set_xdg;
    Place chosen;
    bool found;
};

TEST_F(CatalogueLocationTest, FirstPlaceHoldingACatalogueWins) {
    using P = Place;
    const ChoiceCase cases[] = {
        {"explicit alone", {P::Explicit}, true, false, P::Explicit, true},
        {"explicit, missing, beats the rest",
         {P::CurrentDir, P::HomeDefault, P::Installed},
         true,
         false,
         P::Explicit,
         false},
        {"current dir alone", {P::CurrentDir}, false, true, P::CurrentDir, true},
        {"XDG_DATA_HOME alone", {P::XdgDataHome}, false, true, P::XdgDataHome, true},
        {"HOME default alone", {P::HomeDefault}, false, false, P::HomeDefault, true},
        {"HOME default unused once XDG_DATA_HOME is set",
         {P::HomeDefault},
         false,
         true,
         P::CurrentDir,
         false},
        {"installed alone", {P::Installed}, false, true, P::Installed, true},
        {"current dir beats the user's and the installed",
         {P::CurrentDir, P::XdgDataHome, P::Installed},
         false,
         true,
         P::CurrentDir,
         true},
        {"user's beats the installed",
         {P::XdgDataHome, P::Installed},
         false,
         true,
         P::XdgDataHome,
         true},
        {"none: the current dir's, not found", {}, false, true, P::CurrentDir, false},
    };
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (Place place : c.present) Put(place);
        CatalogueEnvironment env = environment;
        if (c.name_explicit) env.explicit_file = PathOf(Place::Explicit).string();
        if (c.set_xdg) env.xdg_data_home = (root_ / "xdg").string();

        const CatalogueLocation location = LocateCatalogue(env);
        EXPECT_EQ(fs::path(location.path), PathOf(c.chosen));
        EXPECT_EQ(location.found, c.found);

        for (Place place : c.present) fs::remove(PathOf(place));
    }
}

TEST_F(CatalogueLocationTest, ListsEveryPlaceLookedAtInOrder) {
    environment.xdg_data_home = (root_ / "xdg").string();
    const CatalogueLocation location = LocateCatalogue(environment);
    EXPECT_EQ(location.looked_at, (std::vector<std::string>{PathOf(Place::CurrentDir).string(),
                                                            PathOf(Place::XdgDataHome).string(),
                                                            PathOf(Place::Installed).string()}));
    EXPECT_EQ(CatalogueSearchText(location),
              "Каталог не найден; искали в: " + location.looked_at[0] + ", " +
                  location.looked_at[1] + ", " + location.looked_at[2]);

    environment.explicit_file = "named.db";
    EXPECT_EQ(LocateCatalogue(environment).looked_at, std::vector<std::string>{"named.db"});
}

// Values that name no usable place drop out; a relative XDG_DATA_HOME falls
// back to the default under HOME, as XDG asks.
TEST_F(CatalogueLocationTest, UnusableValuesAreSkipped) {
    Put(Place::HomeDefault);
    environment.xdg_data_home = "relative/xdg";
    EXPECT_EQ(fs::path(LocateCatalogue(environment).path), PathOf(Place::HomeDefault));

    environment.home = "relative/home";
    environment.executable_dir.clear();
    const CatalogueLocation location = LocateCatalogue(environment);
    EXPECT_EQ(location.looked_at, std::vector<std::string>{PathOf(Place::CurrentDir).string()});

    environment.current_dir.clear();
    EXPECT_EQ(LocateCatalogue(environment).path, "chips.db");
}

// A directory that happens to be called chips.db is not a catalogue.
TEST_F(CatalogueLocationTest, DirectoryNamedChipsDbIsPassedOver) {
    fs::create_directories(PathOf(Place::CurrentDir));
    Put(Place::Installed);
    EXPECT_EQ(fs::path(LocateCatalogue(environment).path), PathOf(Place::Installed));
}

TEST(CatalogueLocationProcess, FindsTheRunningProgramsDirectory) {
#if defined(__linux__) || defined(_WIN32)
    const CatalogueEnvironment env = ProcessCatalogueEnvironment(std::nullopt);
#ifdef _WIN32
    const char* program = "catalogue_tests.exe";
#else
    const char* program = "catalogue_tests";
#endif
    EXPECT_TRUE(fs::exists(fs::path(env.executable_dir) / program)) << env.executable_dir;
    EXPECT_EQ(fs::path(env.current_dir), fs::current_path());
#else
    GTEST_SKIP() << "no way to find the program's directory here";
#endif
}

}  // namespace
}  // namespace dspprog
