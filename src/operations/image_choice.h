// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Picking the image file that a write sends or a verify compares with.

#include <string>

#include "operations/image_input.h"
#include "operations/session.h"

namespace dspprog {

enum class ImageChosen {
    Ready,
    Cancelled,  // the operator gave up without naming a file
    Unusable,   // the file named cannot be used, and the log says why
};

// Shows the open dialog until the operator picks a file the chip can take or
// gives up, then opens it in `image` (the chip is session.tChip):
// - a name that is missing, hidden, no ordinary file or unreadable gets a
//   line that says which, then counts as no file at all, whose size is the
//   largest there is (the size line and box of a larger file);
// - the file is taken in session.ForcedImageFormat, else as
//   ImageFormatOfFile says; text of neither form is refused with the reason;
// - a HEX or S-record file must read without a defect and its records fit
//   the chip from session.ImageOffset on, or the reason is logged;
// - a raw image must be exactly the chip's size, or shorter and not empty with
//   session.CheckBoxPad; otherwise the size line and box ask for another file.
// `cancelled` is logged when the operator gives up; a file that cannot be
// opened logs the open-error line. Nothing is sent to the programmer.
ImageChosen ChooseImage(Session& session, ImageInput& image, std::string& name,
                        const char* cancelled);

}  // namespace dspprog
