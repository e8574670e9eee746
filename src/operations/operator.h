// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything an operation needs from the person at the programmer. The Qt
// window, the command line and the tests each provide one.

#include <cstdint>
#include <optional>
#include <string>

#include "image/image_format.h"
#include "link/fatal_stop.h"

namespace dspprog {

class Operator : public CriticalPrompt {
public:
    // Appends one whole line to the log (UTF-8). An empty text is the separator line.
    virtual void Log(const std::string& line) = 0;
    // A modal error box with one OK button.
    virtual void ErrorBox(const std::string& text) = 0;
    // A modal error box with OK and Cancel; true for OK. Closing the box counts as Cancel.
    virtual bool OkCancelBox(const std::string& text) = 0;
    // The save dialog; nullopt when cancelled.
    virtual std::optional<std::string> ChooseSaveFile() = 0;
    // The form to save the chosen `name` in: the one the save dialog was told
    // (its type filter, --format), else the one the name's extension says.
    virtual ImageFormat SaveFormat(const std::string& name) { return ImageFormatFromFileName(name); }
    // The open dialog (a name of a file that does not exist may be given);
    // nullopt when cancelled.
    virtual std::optional<std::string> ChooseOpenFile() = 0;
    // Blocks done of total during read, blank check, write and verify. Called
    // once with done = 0 when a phase starts.
    virtual void Progress(std::uint32_t done, std::uint32_t total) {
        (void)done;
        (void)total;
    }
};

}  // namespace dspprog
