// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/usb/usb_platform_link.h"

#include "link/usb/usb_backend.h"
#include "link/usb/usb_context.h"
#include "link/usb/usb_enumerator.h"
#include "link/usb/usb_plug_notifier.h"

namespace dspprog {

PlatformLink MakeUsbPlatformLink(std::ostream& diagnostics) {
    std::string error;
    std::shared_ptr<UsbContext> context = UsbContext::Create(error);
    if (!context) diagnostics << "dspprog: " << error << "\n";
    return {std::make_unique<UsbInterfaceEnumerator>(context, diagnostics),
            std::make_unique<UsbLinkBackend>(context, diagnostics), context,
            std::make_unique<UsbPlugNotifier>(context)};
}

}  // namespace dspprog
