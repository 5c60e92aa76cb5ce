// For bench_app's account of where the start's time goes: a program that only attaches to the
// personnel database (as the main window does, embedded engine for a local file) and ends.
#include "IBDatabase.h"
#include "IniFiles.h"
#include "Schema.h"
#include "varer.h"

#include <QCoreApplication>
#include <unistd.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    LoadSettings();
    TIBDatabase db(nullptr);
    db.SetLoginPrompt(false);
    db.SetDatabaseName(FullNameSvr);
    db.GetParams()->AddStrings(ConnectionLines());
    db.SetConnected(true);
    _exit(db.GetConnected() ? 0 : 1);
}
