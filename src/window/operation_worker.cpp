// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/operation_worker.h"

#include <QMetaObject>
#include <exception>
#include <optional>

namespace dspprog {

OperationWorker::OperationWorker(QObject* parent) : QObject(parent), context_(new QObject) {
    thread_.setObjectName("operations");
    context_->moveToThread(&thread_);
    thread_.start();
}

OperationWorker::~OperationWorker() {
    thread_.quit();
    thread_.wait();
    // The thread has stopped, so nothing can be delivered to the context any more.
    delete context_;
}

void OperationWorker::Run(std::function<void()> job) {
    QMetaObject::invokeMethod(
        context_,
        [this, job = std::move(job)] {
            std::optional<FatalStop> stop;
            try {
                job();
            } catch (const FatalStop& fatal) {
                stop = fatal;
            } catch (const std::exception& e) {
                stop.emplace(FatalStop::Kind::Halt, e.what());
            }
            // Back on the window's thread, after every line the job logged.
            QMetaObject::invokeMethod(
                this,
                [this, stop] {
                    if (stop) {
                        emit Stopped(*stop);
                    } else {
                        emit Finished();
                    }
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

}  // namespace dspprog
