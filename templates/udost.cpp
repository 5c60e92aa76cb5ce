// "Друк посвідчень": a certificate card for each employee whose number was asked for.
#include "Certificate.h"

KADRION_TEMPLATE(udost) {
    TfrBandView* band = T.Band(btMasterData, 70, "frDBDataSet1");
    CertificateCard(T, band,
                    {"Select.\"UDOST\"", "Select.\"FAMILY\"", "Select.\"NAME\"", "Select.\"PATR\"",
                     "Select.\"FOTO\"", "Select.\"NAMPROF\"", "Select.\"NAIPODR\""});
}
