// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two ways the program gives up on something it cannot handle by itself:
// the fatal stop (a message, then the end of the program) and the operator's
// answer "Завершить" to the critical-error prompt.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace dspprog {

// The sentence that closes every fatal message box.
inline constexpr const char* kHaltClosing = "Программа будет аварийно завершена.";

// Thrown to end the program. Front-ends catch it at the top level, show what it
// asks for and exit with a non-zero status; everything open is closed on the
// way out by the destructors.
class FatalStop : public std::runtime_error {
public:
    enum class Kind {
        Halt,        // CriticalHalt: show message + "\n\r" + kHaltClosing in an error box
        Terminated,  // the operator chose to end, or a box was already shown: show nothing
    };

    FatalStop(Kind kind, std::string message);

    Kind kind() const { return kind_; }
    // The message as the caller gave it.
    const std::string& message() const { return message_; }
    // What the error box shows: for a halt, the message, a line feed, a
    // carriage return and the closing sentence; otherwise the message alone.
    std::string BoxText() const;

private:
    Kind kind_;
    std::string message_;
};

// Stops the program with `message`. Never returns.
[[noreturn]] void CriticalHalt(const std::string& message);

// Ends the program at the operator's request, with nothing more shown.
[[noreturn]] void Terminate(const std::string& why = {});

// The critical-error prompt: shows `message` and asks whether to wait or to end.
class CriticalPrompt {
public:
    static constexpr int kAbort = 3;   // "Завершить"
    static constexpr int kRetry = 4;   // "Подождать"
    static constexpr int kClosed = 2;  // closed by the title bar; counts as waiting

    virtual ~CriticalPrompt() = default;
    virtual int ShowCriticalError(const std::string& message) = 0;
    // A transfer has been awaited for `waited_ms` of the `limit_ms` its
    // deadline allows. Told only by a link that keeps its deadlines fixed.
    virtual void ShowWaiting(std::uint64_t waited_ms, std::uint64_t limit_ms) {
        (void)waited_ms;
        (void)limit_ms;
    }
};

}  // namespace dspprog
