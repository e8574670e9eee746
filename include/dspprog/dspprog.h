// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dspprog library: programmers and their operations, images, errors.

#include "dspprog/error.h"
#include "dspprog/image.h"
#include "dspprog/programmer.h"
