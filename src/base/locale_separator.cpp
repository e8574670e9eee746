// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/locale_separator.h"

#include <clocale>
#include <string>

namespace dspprog {

char LocaleDecimalSeparator() {
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = current ? current : "C";
    char separator = '.';
    if (std::setlocale(LC_NUMERIC, "")) {
        const std::lconv* conventions = std::localeconv();
        const char* point = conventions ? conventions->decimal_point : nullptr;
        if (point && point[0] != '\0' && point[1] == '\0') separator = point[0];
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
    return separator;
}

}  // namespace dspprog
