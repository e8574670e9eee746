// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/win32/device_change_notifier.h"

#include <dbt.h>

#include "link/discovery.h"
#include "link/win32/setupapi_enumerator.h"

namespace dspprog {

namespace {

constexpr const wchar_t* kWindowClass = L"dspprog-device-change";

}  // namespace

DeviceChangeNotifier::~DeviceChangeNotifier() {
    Stop();
}

bool DeviceChangeNotifier::Start(std::function<void()> changed) {
    if (thread_.joinable()) return false;
    changed_ = std::move(changed);
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!ready) return false;
    bool listening = false;
    thread_ = std::thread([this, ready, &listening] { Listen(ready, listening); });
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
    if (!listening) {
        thread_.join();
        changed_ = nullptr;
    }
    return listening;
}

void DeviceChangeNotifier::Listen(HANDLE ready, bool& listening) {
    thread_id_ = GetCurrentThreadId();
    const HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = &DeviceChangeNotifier::WindowProc;
    window_class.hInstance = module;
    window_class.lpszClassName = kWindowClass;
    // A second notifier in the process finds the class there already.
    RegisterClassW(&window_class);
    HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  module, nullptr);
    HDEVNOTIFY notification = nullptr;
    if (window) {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        if (ParseInterfaceClass(kProgrammerInterfaceGuid, filter.dbcc_classguid))
            notification =
                RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
    listening = notification != nullptr;
    // The queue exists now (the window made it), so Stop's WM_QUIT cannot be lost.
    SetEvent(ready);
    if (listening) {
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
        UnregisterDeviceNotification(notification);
    }
    if (window) DestroyWindow(window);
}

LRESULT CALLBACK DeviceChangeNotifier::WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_DEVICECHANGE && (w == DBT_DEVICEARRIVAL || w == DBT_DEVICEREMOVECOMPLETE)) {
        auto* self =
            reinterpret_cast<DeviceChangeNotifier*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && self->changed_) self->changed_();
        return TRUE;
    }
    return DefWindowProcW(window, message, w, l);
}

void DeviceChangeNotifier::Stop() {
    if (!thread_.joinable()) return;
    PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
    changed_ = nullptr;
}

}  // namespace dspprog
