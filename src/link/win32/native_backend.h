// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The link backend of the programmer's own Windows driver: the device path
// and "\PIPE00".."\PIPE03" beneath it open as files for overlapped I/O.

#include <memory>
#include <string>

#include "link/pipe.h"
#include "link/win32/overlapped_pipe.h"

namespace dspprog {

class NativeBackend final : public LinkBackend {
public:
    NativeBackend();

    // CreateFileA for reading and writing, shared for both, OPEN_EXISTING, overlapped.
    std::unique_ptr<Device> OpenDevice(const std::string& path) override;
    // A manual-reset event, not signalled, without a name, for the direction's record.
    bool CreateDoneEvent(Access direction) override;
    // CreateFileA with the pipe's access, not shared, OPEN_EXISTING,
    // overlapped. Null as well when the direction's event does not exist yet.
    std::unique_ptr<Pipe> OpenPipe(Device& device, const std::string& path, Access access) override;

private:
    std::shared_ptr<DirectionRecord>& RecordOf(Access direction) {
        return direction == Access::Read ? read_ : write_;
    }

    // Shared with the pipes, which may outlive the backend.
    std::shared_ptr<DirectionRecord> read_;
    std::shared_ptr<DirectionRecord> write_;
};

}  // namespace dspprog
