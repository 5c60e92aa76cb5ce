// The database service commands: backup, restore and a new database. Each asks first, then
// works and reports; Wait (when given) is told to show (true) and hide (false) the wait window
// around the work.
#pragma once

#include "Connection.h"

#include <QString>

// The backup file of a database file: its directory, its name without the extension, ".gbk"
// (paths split on both '\' and '/').
QString BackupFileName(const QString& DatabaseFile);

// Each returns true when the work was done and succeeded.
bool BackupDatabase(const TWaitHook& Wait = {});
bool RestoreDatabase(const TWaitHook& Wait = {});
bool NewDatabase(const TWaitHook& Wait = {});
