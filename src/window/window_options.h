// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's command line: nothing for the operator's own use; the
// emulator's options run the window against the built-in programmer for
// demonstrations, and the backend option picks a hardware backend.

#include <QString>
#include <QStringList>

#include "startup/start_options.h"

namespace dspprog {

enum class OptionsVerdict {
    Run,    // go on with `options`
    Help,   // print `text` (the usage) and end successfully
    Error,  // print `text` (one line) and end with a usage error
};

// `arguments` includes the program name first, as QCoreApplication::arguments() gives it.
OptionsVerdict ParseWindowOptions(const QStringList& arguments, StartOptions& options,
                                  QString& text);

}  // namespace dspprog
