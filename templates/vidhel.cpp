// The sick-leave sheets of a period by kind of illness (the statement orders them by kind).
#include "ListKit.h"

KADRION_TEMPLATE(vidhel) {
    listkit::SheetList(
        T, QStringLiteral("Лікарняні листи за видами захворювань\nза період з [z] по [do]"));
}
