// Connecting the data module's database with the settings' connection string.
#pragma once

#include <QString>
#include <functional>

// Told to show (true) and hide (false) the wait window around long work; a message to the user
// always comes after the window is hidden.
using TWaitHook = std::function<void(bool Show)>;

// The connection string from TypeSvr, NameSvr and PathFileSvr: the path itself for a local
// database, "server:path" for one on a server.
QString FormConnectionString();

// Disconnects, names the database FullNameSvr, sets the three connection lines and connects.
// A failure is reported ("Помилка підключення до бази ...", after Wait is told to hide) and
// leaves it disconnected.
bool ConnectDatabase(const TWaitHook& Wait = {});
// Disconnects; errors are swallowed (closing always ends disconnected).
void DisconnectDatabase();
// At start: when no database is configured yet, AskSettings (the settings dialog) is shown;
// on its OK the connection string is formed. Then connects in any case.
bool ConnectAtStart(const std::function<bool()>& AskSettings);

QString ConnectErrorText(const QString& Name);
