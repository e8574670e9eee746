// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/link.h"

#include <algorithm>
#include <limits>

namespace dspprog {

Link::Link(LinkBackend& backend, Clock& clock, CriticalPrompt& prompt)
    : backend_(backend), clock_(clock), prompt_(prompt) {}

Link::~Link() {
    Close();
}

std::unique_ptr<Pipe> Link::OpenPipe(const std::string& path, Access access) {
    std::unique_ptr<Pipe> pipe = backend_.OpenPipe(*DeviceHandle, path, access);
    if (!pipe) CriticalHalt("Ошибка открытия :" + path + "!");
    return pipe;
}

void Link::Open() {
    DeviceHandle = backend_.OpenDevice(DevicePath);
    if (!DeviceHandle) CriticalHalt("Ошибка открытия USB устройства!");
    if (!backend_.CreateDoneEvent(Access::Read))
        CriticalHalt("Не удалось создать событие ReadDone");
    if (!backend_.CreateDoneEvent(Access::Write))
        CriticalHalt("Не удалось создать событие WriteDone");

    CmdIn = OpenPipe(DevicePath + "\\PIPE00", Access::Read);
    Delay(kPipeOpenDelayMs);
    CmdOut = OpenPipe(DevicePath + "\\PIPE01", Access::Write);
    Delay(kPipeOpenDelayMs);
    MainIn = OpenPipe(DevicePath + "\\PIPE02", Access::Read);
    Delay(kPipeOpenDelayMs);
    MainOut = OpenPipe(DevicePath + "\\PIPE03", Access::Write);
    Delay(kPipeOpenDelayMs);
}

void Link::Close() {
    for (std::unique_ptr<Pipe>* pipe : {&CmdIn, &CmdOut, &MainIn, &MainOut}) {
        if (*pipe) {
            (*pipe)->Close();
            pipe->reset();
        }
    }
    if (DeviceHandle) {
        DeviceHandle->Close();
        DeviceHandle.reset();
    }
}

void Link::WritePipe(Pipe& pipe, const std::uint8_t* buffer, std::uint32_t length) {
    pipe.StartWrite(buffer, length);
    AwaitWhole(pipe, length, length <= 16 ? kWriteShortBaseMs : kWriteLongBaseMs,
               "В USB не записано :");
}

void Link::ReadPipe(Pipe& pipe, std::uint8_t* buffer, std::uint32_t length) {
    pipe.StartRead(buffer, length);
    AwaitWhole(pipe, length, length <= 16 ? kReadShortBaseMs : kReadLongBaseMs,
               "Из USB не считано :");
}

void Link::AwaitWhole(Pipe& pipe, std::uint32_t length, std::uint64_t base_ms,
                      const char* prompt_text) {
    for (;;) {
        // 64-bit arithmetic throughout: the factor is at most 2^32 - 1 and the
        // base at most 10^5, so the product and the sum cannot overflow.
        const std::uint64_t start = clock_.NowMs();
        const std::uint64_t deadline = start + timeout_factor_ * base_ms;
        if (!keep_deadlines_ && timeout_factor_ < std::numeric_limits<std::uint32_t>::max())
            ++timeout_factor_;

        Completion done = pipe.Await(
            clock_, keep_deadlines_ ? std::min(deadline, start + kWaitingReportMs) : deadline);
        while (keep_deadlines_ && done.state == Completion::State::Pending &&
               clock_.NowMs() < deadline) {
            const std::uint64_t now = clock_.NowMs();
            try {
                prompt_.ShowWaiting(now - start, deadline - start);
            } catch (...) {
                // A prompt that gives up: as below, the buffer must be left alone.
                pipe.Cancel();
                throw;
            }
            done = pipe.Await(clock_, std::min(deadline, now + kWaitingReportMs));
        }
        if (done.state == Completion::State::Gone) {
            // No deadline and no answer to the prompt can bring an unplugged
            // programmer back; waiting would only keep the operator guessing.
            pipe.Cancel();
            CriticalHalt(kProgrammerGone);
        }
        // A transfer that failed will not recover; the operator hears about it
        // at the deadline, as for one that never finished.
        if (done.state == Completion::State::Failed) clock_.SleepUntil(deadline);
        if (done.state == Completion::State::Done && done.count >= length) return;

        const std::uint32_t moved = done.count < length ? done.count : length;
        int answer;
        try {
            answer =
                prompt_.ShowCriticalError(prompt_text + std::to_string(length - moved) + " байт!");
        } catch (...) {
            // The caller's buffer goes out of scope with the unwinding; the
            // device must not go on filling or reading it.
            pipe.Cancel();
            throw;
        }
        if (answer == CriticalPrompt::kAbort) {
            pipe.Cancel();
            Terminate();
        }
    }
}

}  // namespace dspprog
