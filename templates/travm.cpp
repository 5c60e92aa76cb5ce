// The sick-leave sheets of injuries outside work in a period.
#include "ListKit.h"

KADRION_TEMPLATE(travm) {
    listkit::SheetList(T, QStringLiteral("Невиробничий травматизм\nза період з [z] по [do]"));
}
