// The sick-leave sheets whose accounting month lies in a period.
#include "ListKit.h"

KADRION_TEMPLATE(health) {
    listkit::SheetList(T, QStringLiteral("Звіт по лікарняних листах\nза період з [z] по [do]"));
}
