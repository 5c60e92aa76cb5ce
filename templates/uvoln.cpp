// "Про припинення труд. договору": the dismissal order of the current employee.
#include "Order.h"

KADRION_TEMPLATE(uvoln) {
    TFormRows rows = OrderHead(T, CardField("UVL_NOM"), CardField("UVL_DNAK"),
                               "Про припинення трудового договору (контракту)");
    rows.Paragraph("ЗВІЛЬНИТИ:", TStyle().Pt(12).Bold(), 6);
    rows.Paragraph(CardField("FAMILY") + " " + CardField("NAME") + " " + CardField("PATR") +
                   ", табельний № " + CardField("TAB") + ",");
    rows.Field("посада", CardField("L_PROF"), 55);
    rows.Field("підрозділ", CardField("LOOK"), 55);
    rows.Field("дата звільнення", CardField("ENDEND"), 55);
    rows.Field("підстава звільнення", CardField("WHYWHY"), 55);
    rows.Field("причина звільнення", CardField("UVL_WHY"), 55);
    rows.Fields("компенсація за відпустку, дн.", CardField("UVL_KOMP"), "утримати за, дн.",
                CardField("UVL_NOTW"), 55, 35);
    rows.Paragraph("Підстава: заява " + CardField("FAMILY") + " " + CardField("NAME") + " " +
                       CardField("PATR") + ".",
                   TStyle().Pt(12), 4);
    rows.Signature("[Pos]", "[Boss]", 14);
    rows.Signature("З наказом ознайомлений(а)", "", 10);
}
