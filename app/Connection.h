// Connecting the data module's database with the settings' connection string.
#pragma once

#include <QString>
#include <functional>

// The connection string from TypeSvr, NameSvr and PathFileSvr: the path itself for a local
// database, "server:path" for one on a server.
QString FormConnectionString();

// Disconnects, names the database FullNameSvr, sets the three connection lines and connects.
// A failure is reported ("Помилка підключення до бази ...") and leaves it disconnected.
bool ConnectDatabase();
// Disconnects; errors are swallowed (closing always ends disconnected).
void DisconnectDatabase();
// At start: when no database is configured yet, AskSettings (the settings dialog) is shown;
// on its OK the connection string is formed. Then connects in any case.
bool ConnectAtStart(const std::function<bool()>& AskSettings);

QString ConnectErrorText(const QString& Name);
