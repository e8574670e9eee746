// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows' device-change notifications for the programmer's interface class,
// received by a message-only window on a thread of its own, so that the
// front-end needs no hook into its own message loop.

#include <windows.h>

#include <thread>

#include "link/plug_notifier.h"

namespace dspprog {

class DeviceChangeNotifier final : public PlugNotifier {
public:
    DeviceChangeNotifier() = default;
    ~DeviceChangeNotifier() override;
    DeviceChangeNotifier(const DeviceChangeNotifier&) = delete;
    DeviceChangeNotifier& operator=(const DeviceChangeNotifier&) = delete;

    bool Start(std::function<void()> changed) override;
    void Stop() override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l);
    // Runs the thread's message loop; `ready` gets whether it could listen.
    void Listen(HANDLE ready, bool& listening);

    std::function<void()> changed_;
    std::thread thread_;
    DWORD thread_id_ = 0;
};

}  // namespace dspprog
