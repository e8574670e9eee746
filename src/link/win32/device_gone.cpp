// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/win32/device_gone.h"

namespace dspprog {

namespace {

// Errors that name a missing device. From an open of the device's path they
// say that nothing is there. From a transfer through a handle that is open
// they can only mean that the device behind it has gone: they are the Windows
// forms of STATUS_DEVICE_NOT_CONNECTED, STATUS_DEVICE_REMOVED,
// STATUS_DEVICE_DOES_NOT_EXIST and STATUS_NO_SUCH_DEVICE, the last being what
// USB drivers complete a request with once the USB stack reports the device
// gone (an open handle has no file or path left to be "not found").
bool NamesAMissingDevice(DWORD error) {
    switch (error) {
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEVICE_REMOVED:
        case ERROR_DEV_NOT_EXIST:
        case kErrorNoSuchDevice:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return true;
        default:
            return false;
    }
}

// Whether something still answers at `path`. The programmer's interface
// path disappears when the device is removed; while it is there, an open
// without access rights reaches it even though the link holds it open, or is
// refused for a reason (busy, access, sharing) that still proves it is there.
bool StillThere(const std::string& path) {
    HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return true;
    }
    return !NamesAMissingDevice(GetLastError());
}

}  // namespace

// Other errors do not tell by themselves. ERROR_GEN_FAILURE (STATUS_UNSUCCESSFUL)
// is how a halted endpoint comes back, and also what some drivers complete
// transfers with after a removal; ERROR_BAD_COMMAND (STATUS_INVALID_DEVICE_STATE)
// comes from a driver whose device is no longer working, removed or merely
// stopped; ERROR_OPERATION_ABORTED from a driver that cancelled its requests,
// on removal among other reasons (the link's own cancellations never reach
// here); a broken pipe from a far end that closed; ERROR_INVALID_HANDLE from a
// handle the program itself closed, which removal does not do. For these the
// device's path decides: a device still found there is one that can be
// prompted for.
bool DeviceGone(DWORD error, const std::string& device_path) {
    return NamesAMissingDevice(error) || !StillThere(device_path);
}

}  // namespace dspprog
