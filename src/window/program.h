// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program between QApplication and the end of the process.

#include <QStringList>
#include <string>
#include <vector>

#include "link/clock.h"
#include "link/discovery.h"
#include "link/pipe.h"
#include "link/programmer_list.h"
#include "startup/file_roles.h"

namespace dspprog {

class Programmer;

// Start-up, the window and shutdown over one programmer: finds it and opens
// the link (a fatal stop there is shown before any window and ends the run),
// shows the window until it is closed or an operation ends the program, then
// closes the link. `files` names the catalogue and the files the file
// dialogs must not give as images. Returns the exit status: 0 after the
// operator closed the window, kExitStopped after a fatal stop. Needs a
// QApplication.
// `programmer`, when given, is the one behind the backend (the series names
// it in its log and tells it of chip swaps). With `among`, start-up looks at
// those programmers alone. With several programmers present the window lets
// the operator switch between them.
int RunWindow(InterfaceEnumerator& enumerator, LinkBackend& backend, Clock& clock,
              const FileRoles& files, Programmer* programmer = nullptr,
              const std::vector<ProgrammerEntry>& among = {});

// The whole program: the command line, the programmer it names (the platform's
// hardware or the emulator), RunWindow. Returns the exit status: kExitUsage
// for a command line or emulator set-up that cannot run, or one that names one
// file for two parts; kExitStopped after a fatal stop.
int RunDspprog(const QStringList& arguments, Clock& clock);

}  // namespace dspprog
