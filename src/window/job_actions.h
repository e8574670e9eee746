// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Файл" → "Задание…", "Сохранить задание…" and "Закрыть задание": a job
// opened puts the window under it (its name in the title, the controls it
// sets locked, its operation's button running it); the controls' write can
// be saved as a job.

#include <QObject>
#include <QString>
#include <optional>
#include <string>

#include "operations/session.h"

class QAction;
class QFileDialog;

namespace dspprog {

class MainWindow;
class QtOperator;
class WindowHandlers;

class JobActions final : public QObject {
    Q_OBJECT

public:
    // Adds the actions to the window's "Файл" menu (object name menu_file),
    // making the menu bar and the menu when the window has none yet.
    JobActions(MainWindow& window, WindowHandlers& handlers, QtOperator& op, Session& session);

    // Loads the job `path` and puts the window under it; false, after an
    // error box that says why, when it cannot be used.
    bool OpenJob(const QString& path);
    // The controls again, unlocked.
    void CloseJob();
    // Saves what "Записать" would do with the image `image` as the job
    // `path`, for the chip identified last; false after an error box.
    bool SaveJobAs(const QString& path, const QString& image);

    QAction* open_job;   // "Задание…"
    QAction* save_job;   // "Сохранить задание…"
    QAction* close_job;  // "Закрыть задание"
    QFileDialog* job_dialog;

private:
    // Locks (or, with no job, unlocks) the controls the job sets.
    void ApplyLocks();

    MainWindow& window_;
    WindowHandlers& handlers_;
    QtOperator& op_;
    Session& session_;
    QString title_;  // the window's own title, without a job
};

}  // namespace dspprog
