#include "Connection.h"

#include "DMUnit.h"
#include "Dialogs.h"
#include "Schema.h"
#include "varer.h"

QString FormConnectionString() {
    return TypeSvr == 0 ? PathFileSvr : NameSvr + u':' + PathFileSvr;
}

QString ConnectErrorText(const QString& Name) {
    return QStringLiteral("Помилка підключення до бази ") + Name +
           QStringLiteral(". Перевірте настройки або створіть нову базу.");
}

void DisconnectDatabase() {
    try {
        DM->Database->SetConnected(false);
    } catch (Exception&) {
    }
}

bool ConnectDatabase(const TWaitHook& Wait) {
    DisconnectDatabase();
    try {
        DM->Database->SetDatabaseName(FullNameSvr);
        DM->Database->GetParams()->Clear();
        DM->Database->GetParams()->AddStrings(ConnectionLines());
        DM->Database->SetConnected(true);
        return true;
    } catch (Exception&) {
        DisconnectDatabase();
        if (Wait) Wait(false);
        GetUserInteraction()->MessageBox(ConnectErrorText(FullNameSvr),
                                         QString::fromUtf16(SErrorCaption), MB_OK | MB_ICONERROR);
        return false;
    }
}

bool ConnectAtStart(const std::function<bool()>& AskSettings) {
    if (PathFileSvr.isEmpty() || FullNameSvr.isEmpty()) {
        if (AskSettings && AskSettings()) {
            FullNameSvr = FormConnectionString();
            DisconnectDatabase();
            DM->Database->GetParams()->Clear();
            DM->Database->GetParams()->AddStrings(ConnectionLines());
        }
    }
    return ConnectDatabase();
}
