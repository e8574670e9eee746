// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/win32/native_backend.h"

namespace dspprog {

NativeBackend::NativeBackend()
    : read_(std::make_shared<DirectionRecord>()), write_(std::make_shared<DirectionRecord>()) {}

std::unique_ptr<Device> NativeBackend::OpenDevice(const std::string& path) {
    HANDLE handle =
        CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<HandleDevice>(handle, path);
}

bool NativeBackend::CreateDoneEvent(Access direction) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (event == nullptr) return false;
    RecordOf(direction)->TakeEvent(event);
    return true;
}

std::unique_ptr<Pipe> NativeBackend::OpenPipe(Device& device, const std::string& path,
                                              Access access) {
    auto* opened = dynamic_cast<HandleDevice*>(&device);
    std::shared_ptr<DirectionRecord>& record = RecordOf(access);
    if (!opened || record->event == nullptr) return nullptr;
    HANDLE handle = CreateFileA(path.c_str(), access == Access::Read ? GENERIC_READ : GENERIC_WRITE,
                                0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<OverlappedPipe>(handle, record, opened->path());
}

}  // namespace dspprog
