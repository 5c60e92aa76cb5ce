#include "MenuKeys.h"

#include "X11Check.h"

#include <QStringList>

void MenuKeys(const char* Keys) {
    QStringList args{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60")};
    args += QString::fromLatin1(Keys).split(u' ');
    X11Tool(args);
}
