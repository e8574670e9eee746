// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Qt's own texts (the file dialogs, the buttons of message boxes) in
// Russian, as the rest of the window is.

namespace dspprog {

// Loads qtbase_ru from Qt's translations folder or, where Qt has none (the
// Windows package), from translations/ beside the program; false when
// neither has it, and Qt's texts stay English.
bool InstallQtTranslations();

}  // namespace dspprog
