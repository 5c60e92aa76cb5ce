// The order that grants an employee's annual leave: the current order of IBotp, the group of
// the employee from Select.
#include "ListKit.h"

KADRION_TEMPLATE(order_otp) {
    const double w = T.Width();
    T.Band(btReportTitle, 150);
    T.Text(0, 0, w, 6, QStringLiteral("[Org]"), TStyle().Bold().Center());
    T.Text(0, 12, w, 8, QStringLiteral("НАКАЗ № [IBotp.\"NORDER\"]"),
           TStyle().Pt(14).Bold().Center());
    T.Text(0, 21, w, 6, QStringLiteral("від [IBotp.\"DATAORD\"]"), TStyle().Center());
    T.Text(0, 32, w, 6, QStringLiteral("Про надання щорічної відпустки"), TStyle().Bold().Italic());
    T.Text(
        0, 42, w, 40,
        QStringLiteral("Надати [IBotp.\"F\"] [IBotp.\"N\"] [IBotp.\"P\"] (таб. № [IBotp.\"TAB1\"], "
                       "категорія: [IBotp.\"KAT_2\"], умови праці: "
                       "[IBotp.\"UMOV\"]) щорічну відпустку за період роботи з [IBotp.\"PERIODB\"] "
                       "по [IBotp.\"PERIODE\"] тривалістю [IBotp.\"VS_KAL\"] календарних днів з "
                       "[IBotp.\"OTP_B\"] по [IBotp.\"OTP_E\"] включно, з них основна відпустка "
                       "[IBotp.\"PERIODD\"] календарних днів."),
        TStyle().Pt(12));
    T.Text(0, 80, w, 6, QStringLiteral("Група: [Select.\"NAIGR\"]"), TStyle());
    T.Text(0, 88, w, 10, QStringLiteral("Примітки: [IBotp.\"NOTES\"]"), TStyle());
    T.Text(0, 100, w, 6, QStringLiteral("Підстава: заява працівника."), TStyle());
    T.Signature(118);
}
