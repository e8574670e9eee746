# SPDX-License-Identifier: GPL-3.0-or-later
# Where scripts/install-deps.sh --windows leaves what it builds for the
# cross-build from Debian's source packages: $DSPPROG_CACHE, else
# $XDG_CACHE_HOME/dspprog, else ~/.cache/dspprog, as the scripts choose it.
if(DEFINED ENV{DSPPROG_CACHE})
    set(DSPPROG_CACHE_DIR $ENV{DSPPROG_CACHE})
elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(DSPPROG_CACHE_DIR $ENV{XDG_CACHE_HOME}/dspprog)
else()
    set(DSPPROG_CACHE_DIR $ENV{HOME}/.cache/dspprog)
endif()
