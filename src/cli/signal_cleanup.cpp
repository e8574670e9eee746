// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/signal_cleanup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "base/no_replace_move.h"
#include "operations/image_file.h"

namespace dspprog {
namespace {

constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr std::size_t kPathRoom = 4096;
constexpr std::size_t kLineRoom = kPathRoom + 256;

// A signal handler may not allocate or format, so everything it needs is put
// here, ready, when the read starts. Process-wide because the handlers are.
struct PendingRead {
    char temporary[kPathRoom];
    char partial[kPathRoom];
    char partial_line[kLineRoom];
    char temporary_line[kLineRoom];
};
PendingRead pending_read;
std::atomic<bool> read_pending{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// False when `text` and its terminating zero do not fit.
template <std::size_t kRoom>
bool CopyInto(char (&room)[kRoom], const std::string& text) {
    if (text.size() >= kRoom) return false;
    std::memcpy(room, text.c_str(), text.size() + 1);
    return true;
}

void WriteAll(const char* text) {
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t n = write(STDOUT_FILENO, text, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text += n;
        left -= static_cast<std::size_t>(n);
    }
}

void OnEndSignal(int number) {
    const int saved_errno = errno;
    if (read_pending.exchange(false)) {
        struct stat st;
        if (stat(pending_read.temporary, &st) == 0 && st.st_size == 0) {
            unlink(pending_read.temporary);  // nothing was read: nothing to keep
        } else if (MoveNoReplace(pending_read.temporary, pending_read.partial)) {
            WriteAll(pending_read.partial_line);
        } else if (access(pending_read.temporary, F_OK) == 0) {
            WriteAll(pending_read.temporary_line);
        }
    }
    errno = saved_errno;
    // The handler was reset on entry: once this one returns, the signal ends
    // the process the way it would have without us.
    raise(number);
}

}  // namespace

SignalCleanup::SignalCleanup() {
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    for (const int number : kEndSignals) sigaddset(&action.sa_mask, number);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    for (const int number : kEndSignals) {
        struct sigaction old {};
        // A signal the program was started to ignore (nohup) stays ignored.
        if (sigaction(number, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        sigaction(number, &action, nullptr);
    }
}

SignalCleanup::~SignalCleanup() {
    Ended();
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int number : kEndSignals) {
        struct sigaction old {};
        if (sigaction(number, nullptr, &old) == 0 && old.sa_handler == OnEndSignal)
            sigaction(number, &action, nullptr);
    }
}

void SignalCleanup::Started(const std::string& temporary, const std::string& partial) {
    read_pending = false;
    // A name too long to hold here is left to the end the signal makes.
    if (!CopyInto(pending_read.temporary, temporary) || !CopyInto(pending_read.partial, partial) ||
        !CopyInto(pending_read.partial_line, IncompleteReadLine(partial) + "\n") ||
        !CopyInto(pending_read.temporary_line, IncompleteReadLine(temporary) + "\n"))
        return;
    read_pending = true;
}

void SignalCleanup::Ended() noexcept {
    read_pending = false;
}

}  // namespace dspprog
