// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// pxlib's header, whose C functions are declared without C linkage for C++.

#include <iconv.h>
#include <stdio.h>

extern "C" {
#include <paradox.h>
}
