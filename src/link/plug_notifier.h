// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Word from the platform that a programmer was plugged in or removed, so that
// whoever lists the programmers looks again instead of on a timer.

#include <functional>

namespace dspprog {

class PlugNotifier {
public:
    virtual ~PlugNotifier() = default;

    // Starts calling `changed`, on a thread of the notifier's own, each time a
    // programmer may have come or gone. False when this system cannot tell
    // (then `changed` is never called and the caller has to look for itself).
    virtual bool Start(std::function<void()> changed) = 0;
    // Once this returns, `changed` is not running and will not be called
    // again. Harmless when not started.
    virtual void Stop() = 0;
};

}  // namespace dspprog
