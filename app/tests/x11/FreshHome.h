// A user's fresh home for the program on a real X server: the first-run set-up program makes
// the database and the settings there, optionally fills it with generated employees, and the
// program's environment points at that home.
#pragma once

#include <QString>
#include <QTemporaryDir>

// Runs the set-up (and the fill program with Employees > 0) for Home and points HOME at it;
// returns the database's path, empty after a failure (reported to the test).
QString PrepareFreshHome(const QTemporaryDir& Home, int Employees = 0);
