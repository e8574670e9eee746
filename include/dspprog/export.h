// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the shared library shows: the names marked DSPPROG_API and nothing
// else. A program using the static library defines DSPPROG_STATIC.

#if defined(DSPPROG_STATIC)
#define DSPPROG_API
#elif defined(_WIN32)
#if defined(DSPPROG_BUILDING_LIBRARY)
#define DSPPROG_API __declspec(dllexport)
#else
#define DSPPROG_API __declspec(dllimport)
#endif
#else
#define DSPPROG_API __attribute__((visibility("default")))
#endif

// Every public name is declared in the inline namespace dspprog::v0, which
// follows the shared library's version (libdspprog.so.0): a program built
// against one version cannot link by mistake against another whose types
// differ.
