// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/startup.h"

namespace dspprog {

void StartUp(InterfaceEnumerator& enumerator, Link& link) {
    FindProgrammer(enumerator, link);
    link.Open();
}

void FindProgrammer(InterfaceEnumerator& enumerator, Link& link) {
    const bool found =
        GetSymbolicLink(enumerator, kProgrammerInterfaceGuid, kProgrammerVendor, kProgrammerProduct,
                        kProgrammerManufacturer, link.DevicePath);
    // A search that failed but left a path (a device of the right maker whose
    // path lacks the numbers) is still tried.
    if (!found && link.DevicePath.empty()) CriticalHalt(kNoProgrammer);
}

}  // namespace dspprog
