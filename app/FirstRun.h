// The set-up of a first run: a user without a settings file gets an empty personnel database
// with this year's working calendar, and settings that name it.
#pragma once

#include <QString>

// Where the first run puts the database: $XDG_DATA_HOME/kadrion/kadrion.fdb, else
// ~/.local/share/kadrion/kadrion.fdb.
QString FirstRunDatabasePath();

enum TFirstRunResult {
    frSettingsKept,  // kadrion.ini was there: nothing was touched
    frDatabaseMade,  // a new database, its calendar and the settings
    frDatabaseFound, // the database file was there already: only the settings were written
};

// When the settings file is missing: creates the database at FirstRunDatabasePath() (the data
// module's own CreateNewBase, embedded engine), saves the working calendar of the current year
// in it and writes kadrion.ini naming it (a local database). An existing settings file is
// never touched. Errors are raised; the settings file is then not written.
TFirstRunResult PrepareFirstRun();
