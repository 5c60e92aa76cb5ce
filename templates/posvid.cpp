// "Посвідчення" of the employee card: the certificate card of the current employee.
#include "Certificate.h"

KADRION_TEMPLATE(posvid) {
    TfrBandView* band = T.Band(btReportTitle, 70);
    CertificateCard(T, band,
                    {"IBQuery.\"UDOST\"", "IBQuery.\"FAMILY\"", "IBQuery.\"NAME\"",
                     "IBQuery.\"PATR\"", "IBQuery.\"FOTO\"", "IBQuery.\"L_PROF\"",
                     "IBQuery.\"LOOK\""});
}
