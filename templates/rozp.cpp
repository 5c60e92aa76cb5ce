// The order that sends the employees of the dialog's list on a business trip.
#include "ListKit.h"

KADRION_TEMPLATE(rozp) {
    const double w = T.Width();
    T.Band(btReportTitle, 150);
    T.Text(0, 0, w, 12, QStringLiteral("[FullOrg]"), TStyle().Bold().Center());
    T.Text(0, 16, w, 8, QStringLiteral("РОЗПОРЯДЖЕННЯ № [NomRoz]"),
           TStyle().Pt(14).Bold().Center());
    T.Text(0, 25, w, 6, QStringLiteral("від [FormatDateTime('dd.mm.yyyy', DatUd)]"),
           TStyle().Center());
    T.Text(0, 36, w, 6, QStringLiteral("Про відрядження"), TStyle().Bold().Italic());
    T.Text(0, 46, w, 50,
           QStringLiteral("Відрядити [Stroka] до [Cntry], м. [City], [Ent] строком на [Term] "
                          "днів з [FormatDateTime('dd.mm.yyyy', DatZ)] по "
                          "[FormatDateTime('dd.mm.yyyy', DatPo)] з метою: [Meta]. "
                          "Проїзд дозволяється: [Dozv]."),
           TStyle().Pt(12));
    T.Signature(104, QStringLiteral("Керівник"));
}
