// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one thread on which operations run, so that the window keeps repainting
// while the programmer works.

#include <QObject>
#include <QThread>
#include <functional>

#include "link/fatal_stop.h"

namespace dspprog {

class OperationWorker final : public QObject {
    Q_OBJECT

public:
    // Construct on the window's thread; the signals arrive there.
    explicit OperationWorker(QObject* parent = nullptr);
    // Waits for the thread. The job must have ended by then: a job waiting for
    // the operator's answer would wait for ever.
    ~OperationWorker() override;

    // Starts `job` on the worker thread. Jobs run one after the other; the
    // caller keeps to one at a time (the session's Busy) so that the window
    // knows what it is waiting for.
    void Run(std::function<void()> job);

signals:
    // The job returned.
    void Finished();
    // The job ended the program with a fatal stop (anything else it threw is
    // taken as a halt with the exception's text).
    void Stopped(const dspprog::FatalStop& stop);

private:
    QThread thread_;
    QObject* context_;  // lives on thread_; jobs are posted to it
};

}  // namespace dspprog
