// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Picking the image file that a write sends or a verify compares with.

#include <string>

#include "operations/image_input.h"
#include "operations/session.h"

namespace dspprog {

enum class ImageChosen { Ready, Cancelled, Failed };

// The form of the file `name`, from the start of its content: Intel HEX or
// S-record when it begins like one, else raw (also when there is no file).
ImageFormat ImageFormatOfFile(const std::string& name);

// Shows the open dialog until the operator picks a file the chip can take or
// gives up, then opens it in `image` (the chip is session.tChip):
// - a HEX or S-record file is taken as it is; its records must fit the chip
//   from session.ImageOffset on, or the reason is logged and the choice fails;
// - a raw image must be exactly the chip's size, or shorter and not empty with
//   session.CheckBoxPad; otherwise the size line and box ask for another file.
// `cancelled` is logged when the operator gives up; a file that cannot be
// opened logs the open-error line. Nothing is sent to the programmer.
ImageChosen ChooseImage(Session& session, ImageInput& image, std::string& name,
                        const char* cancelled);

}  // namespace dspprog
