// The page-setup dialog and the reading and checking of the margins it asks for.
#include "PageSetupDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <climits>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kCaption = u"Параметри сторінки"_s;
// The margins' field names, in the order of TRect: left, top, right, bottom.
const char16_t* const kMarginNames[4] = {u"Ліве", u"Верхнє", u"Праве", u"Нижнє"};

// The order the fields stand in: left, right, top, bottom.
constexpr int kLaidOut[4] = {0, 2, 1, 3};

int& side(TRect& R, int I) {
    switch (I) {
    case 0:
        return R.Left;
    case 1:
        return R.Top;
    case 2:
        return R.Right;
    default:
        return R.Bottom;
    }
}

} // namespace

bool ParseMillimetres(const QString& Text, int& Hundredths) {
    const QString t = Text.trimmed();
    qsizetype i = 0;
    long long whole = 0;
    int digits = 0;
    for (; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i, ++digits) {
        whole = whole * 10 + (t[i].unicode() - u'0');
        if (whole >= 10000) return false; // ten metres and more: surely a slip
    }
    int fraction = 0, decimals = 0;
    if (i < t.size() && (t[i] == u',' || t[i] == u'.')) {
        for (++i; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i, ++decimals) {
            if (decimals == 2) return false;
            fraction = fraction * 10 + (t[i].unicode() - u'0');
        }
    }
    if (i != t.size() || digits + decimals == 0) return false;
    if (decimals == 1) fraction *= 10;
    Hundredths = int(whole * 100 + fraction);
    return true;
}

QString MillimetresText(int Hundredths) {
    QString s = QString::number(Hundredths / 100);
    if (const int f = std::abs(Hundredths % 100)) {
        s += u',' + QString::number(f).rightJustified(2, u'0');
        if (s.endsWith(u'0')) s.chop(1);
    }
    return s;
}

QString PageSetupMarginsError(const TPageSetupRequest& R) {
    const TRect& m = R.Margins;
    if (m.Left < 0 || m.Top < 0 || m.Right < 0 || m.Bottom < 0)
        return u"Поля сторінки не можуть бути від'ємними."_s;
    if (R.PaperIndex < 0 || R.PaperIndex >= R.PaperSizes.size()) return QString();
    QSize sheet = R.PaperSizes[R.PaperIndex] * 10; // hundredths of a millimetre
    if (R.Landscape) sheet.transpose();
    if (sheet.width() <= 0 || sheet.height() <= 0) return QString(); // a size of one's own
    auto tooMuch = [](const QString& Pair, long long Sum, const QString& Side, int Length) {
        return u"Поля не залишають місця для друку: %1 разом %2 мм, а %3 аркуша %4 мм."_s.arg(
            Pair, MillimetresText(int(std::min<long long>(Sum, INT_MAX))), Side,
            MillimetresText(Length));
    };
    if (long long sum = (long long)m.Left + m.Right; sum >= sheet.width())
        return tooMuch(u"ліве й праве"_s, sum, u"ширина"_s, sheet.width());
    if (long long sum = (long long)m.Top + m.Bottom; sum >= sheet.height())
        return tooMuch(u"верхнє й нижнє"_s, sum, u"висота"_s, sheet.height());
    return QString();
}

TPageSetupDlg::TPageSetupDlg(QWidget* Parent, const TPageSetupRequest& Request)
    : QDialog(Parent), answer(Request) {
    setWindowTitle(kCaption);
    auto* all = new QVBoxLayout(this);
    if (!Request.PrinterName.isEmpty())
        all->addWidget(new QLabel(u"Принтер: "_s + Request.PrinterName, this));

    auto* paperBox = new QGroupBox(u"Папір"_s, this);
    auto* paperForm = new QFormLayout(paperBox);
    Paper = new QComboBox(paperBox);
    Paper->addItems(Request.Papers);
    Paper->setCurrentIndex(Request.PaperIndex);
    paperForm->addRow(u"&Розмір:"_s, Paper);
    Bin = new QComboBox(paperBox);
    Bin->addItems(Request.Bins);
    Bin->setCurrentIndex(Request.BinIndex);
    Bin->setEnabled(!Request.Bins.isEmpty());
    paperForm->addRow(u"&Джерело:"_s, Bin);
    all->addWidget(paperBox);

    auto* lower = new QHBoxLayout;
    auto* orientBox = new QGroupBox(u"Орієнтація"_s, this);
    auto* orient = new QVBoxLayout(orientBox);
    Portrait = new QRadioButton(u"&Книжкова"_s, orientBox);
    Landscape = new QRadioButton(u"&Альбомна"_s, orientBox);
    (Request.Landscape ? Landscape : Portrait)->setChecked(true);
    orient->addWidget(Portrait);
    orient->addWidget(Landscape);
    orient->addStretch();
    lower->addWidget(orientBox);

    auto* marginBox = new QGroupBox(u"Поля, мм"_s, this);
    auto* grid = new QGridLayout(marginBox);
    const char16_t* const captions[4] = {u"&Ліве:", u"&Верхнє:", u"&Праве:", u"&Нижнє:"};
    // left and right in the first row, top and bottom in the second; made, and so tabbed
    // through, in that order
    for (int i : kLaidOut) {
        Margin[i] = new QLineEdit(MillimetresText(side(answer.Margins, i)), marginBox);
        Margin[i]->setMaximumWidth(80);
        auto* label = new QLabel(QString::fromUtf16(captions[i]), marginBox);
        label->setBuddy(Margin[i]);
        const int row = i % 2, col = (i / 2) * 2;
        grid->addWidget(label, row, col);
        grid->addWidget(Margin[i], row, col + 1);
    }
    lower->addWidget(marginBox);
    all->addLayout(lower);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(MsgDlgButtonCaption(mbOK), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(MsgDlgButtonCaption(mbCancel), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    all->addWidget(buttons);
}

void TPageSetupDlg::accept() {
    TPageSetupRequest r = answer;
    r.PaperIndex = Paper->currentIndex();
    r.BinIndex = Bin->currentIndex();
    r.Landscape = Landscape->isChecked();
    auto refuse = [this](const QString& Text, QLineEdit* Field) {
        GetUserInteraction()->MessageBox(Text, kCaption, MB_OK | MB_ICONWARNING);
        Field->setFocus();
        Field->selectAll();
    };
    for (int i : kLaidOut) {
        if (!ParseMillimetres(Margin[i]->text(), side(r.Margins, i))) {
            refuse(u"Поле «%1»: «%2» — не число міліметрів. Введіть, наприклад, 20 або 12,5."_s.arg(
                       QString::fromUtf16(kMarginNames[i]), Margin[i]->text().trimmed()),
                   Margin[i]);
            return;
        }
    }
    if (const QString error = PageSetupMarginsError(r); !error.isEmpty()) {
        refuse(error, Margin[error.contains(u"ширина"_s) ? 0 : 1]);
        return;
    }
    answer = r;
    QDialog::accept();
}

bool ExecPageSetupDialog(QWidget* Parent, TPageSetupRequest& Request) {
    TPageSetupDlg dlg(Parent, Request);
    if (dlg.exec() != QDialog::Accepted) return false;
    Request = dlg.Answer();
    return true;
}
