// Connecting the data module's database with the settings' connection string, and what the
// user is told when the connection is lost.
#pragma once

#include <QString>
#include <functional>

class Exception;

// Told to show (true) and hide (false) the wait window around long work; a message to the user
// always comes after the window is hidden.
using TWaitHook = std::function<void(bool Show)>;

// How long connecting to a server may take before it gives up (seconds), and one call to the
// server before it is ended as a lost connection (milliseconds).
constexpr int ConnectTimeoutSeconds = 10;
constexpr int CallTimeoutMs = 60000;

// The text that tells the user of a failure: a lost connection gets a message of ours that
// says what happened and what to do, with the library's own text below it; any other error
// its own text.
QString ErrorText(const Exception& E);
// The message of ours for a lost connection.
QString LostConnectionText();
// Shows every error that reaches the application's handler with ErrorText.
void UseErrorTexts();
// True when nothing pending would be lost: no dataset holds changes a save could not write,
// or the user, asked, agreed to drop them (they are then dropped).
bool MayDropPendingChanges();

// The connection string from TypeSvr, NameSvr and PathFileSvr: the path itself for a local
// database, "server:path" for one on a server.
QString FormConnectionString();

// Disconnects, names the database FullNameSvr, sets the three connection lines and connects.
// A failure is reported ("Помилка підключення до бази ...", after Wait is told to hide) and
// leaves it disconnected.
// Changes that a save could not write (the connection was lost) are never dropped silently:
// connecting again to the same database keeps the datasets and applies the changes once
// connected; another database is connected only when the user agrees to drop them.
bool ConnectDatabase(const TWaitHook& Wait = {});
// Disconnects; errors are swallowed (closing always ends disconnected).
void DisconnectDatabase();
// At start: when no database is configured yet, AskSettings (the settings dialog) is shown;
// on its OK the connection string is formed. Then connects in any case.
bool ConnectAtStart(const std::function<bool()>& AskSettings);

QString ConnectErrorText(const QString& Name);
