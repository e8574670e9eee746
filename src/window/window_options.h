// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's command line: nothing for the operator's own use; --emulate and
// its companions run the window against the built-in programmer for
// demonstrations, and --usb picks a hardware backend.

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "emulator/emulated_programmer.h"

namespace dspprog {

struct WindowOptions {
    std::optional<std::string> catalogue;  // --catalogue FILE; else the search order finds one
    std::string usb;  // hardware backend; "" for the platform's default
    std::optional<emu::EmulatorOptions> emulate;
};

enum class OptionsVerdict {
    Run,    // go on with `options`
    Help,   // print `text` (the usage) and end successfully
    Error,  // print `text` (one line) and end with a usage error
};

// `arguments` includes the program name first, as QCoreApplication::arguments() gives it.
OptionsVerdict ParseWindowOptions(const QStringList& arguments, WindowOptions& options,
                                  QString& text);

}  // namespace dspprog
