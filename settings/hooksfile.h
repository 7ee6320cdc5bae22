// SPDX-License-Identifier: MIT
// The watchkeeper's hooks: the escalation and heartbeat commands, read from a
// file of their own that only the user can change, and the shell's way of
// splitting a command line into a program and its arguments.
//
// The commands run with the user's rights, so they come only from a file no
// one else can write; the settings file may be shared and never holds them.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vt
{

// A command and when it runs: `every` is the seconds an alarm waits before the
// escalation, or the minutes between heartbeats.
struct HookCommand {
    int every = 0;
    QStringList command; // the program, then its arguments
};

// A part that is not there is off.
struct Hooks {
    std::optional<HookCommand> escalation;
    std::optional<HookCommand> heartbeat;
};

// With an error (shown to the user) the hooks are empty: nothing of a file
// that is wrong in any way runs.
struct HooksOutcome {
    Hooks hooks;
    QString error;
};

// Reads the hooks file at path afresh. A missing file, section or key is no
// error; the file (or its folder) being writable by others is.
HooksOutcome HooksLoad(const QString& path);

// Vigiltide/Hooks.ini in the user's config folder.
QString HooksPath();

// Splits line into words the way a POSIX shell does, with its quotes and
// backslashes, but expands nothing: $, ~, globs and backquotes stay as they
// are. Nothing, with *error set, for an unterminated quote, a trailing
// backslash or a line without words.
std::optional<QStringList> splitCommandLine(const QString& line, QString* error);

} // namespace vt
