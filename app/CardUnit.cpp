#include "CardUnit.h"

#include "Clipbrd.h"
#include "DMUnit.h"
#include "Dates.h"
#include "DeskUnit.h"
#include "Dialogs.h"
#include "FormBuild.h"
#include "GridBuild.h"
#include "RecordBuild.h"
#include "SqlText.h"

#include <QRegularExpression>
#include <algorithm>
#include <vector>

TCardForm* CardForm = nullptr;

namespace {

// How a card field is edited.
enum TKind {
    kEdit,
    kReadOnly,
    kDate,
    kCombo,      // stores the chosen text, accepts typed text
    kPlainCombo, // the platform's data-aware combo box
    kCheck,      // "1" checked, "0" not
    kHeading,    // a group's caption, no field
    kColumn,     // the next rows go to a new column
    kSpecial,    // made by the window itself (lookups, photo, grids)
};

struct TRow {
    TKind Kind;
    const char* Label;
    const char* Field;
    const char* Items = nullptr; // '|'-separated; an empty piece is an empty item
    const char* Suffix = nullptr;
};

struct TTab {
    const char* Caption;
    std::vector<TRow> Rows;
};

const char* const EndReasons =
    "|п. 1 ст.36 КЗпП України|п. 2 ст.36 КЗпП України|п. 5 ст.36 КЗпП України|"
    "п. 6 ст.36 КЗпП України|ст. 38 з поважних причин|ст. 38 в зв'язку з виходом на пенсію|"
    "ст. 38 в зв'язку із зміною місця прож.|ст. 38 в зв'язку з доглядом за хворим|"
    "ст. 38 з наданням пільг по кол. договору|ст. 38 без поважних причин|"
    "п. 1 ст. 40 КЗпП України|п. 4 ст. 40 КЗпП України|п. 7 ст. 40 КЗпП України|інша| ";

const std::vector<TTab>& Tabs() {
    static const std::vector<TTab> tabs = {
        {"Основні дані",
         {{kEdit, "Прізвище", "FAMILY"},
          {kEdit, "Ім'я", "NAME"},
          {kEdit, "По батькові", "PATR"},
          {kEdit, "Таб.номер", "TAB"},
          {kEdit, "Ідент.код", "ID"},
          {kCombo, "Стать", "SEX", "Чоловік|Жінка"},
          {kDate, "Дата народж.", "BDATE"},
          {kColumn, nullptr, nullptr},
          {kEdit, "Місце народження", "BPLACE"},
          {kDate, "Безперервний стаж з", "WOWORK"},
          {kDate, "Вислуга з", "WOWORK1"},
          {kReadOnly, "Вислуга (міс.)", "WORK_MES"},
          {kHeading, "Інформація про останнє місце роботи", nullptr},
          {kEdit, "Останнє місце роботи", "LPWORK"},
          {kEdit, "Причина звільнення", "WHYLEAVE"},
          {kDate, "Дата звільнення", "ENDDATE"},
          {kSpecial, "Фото", "FOTO"}}},
        {"Дод.дані",
         {{kSpecial, "Підрозділ", "KODP_2"},
          {kSpecial, "Група", "KODG_2"},
          {kSpecial, "Посада", "CPROF"},
          {kEdit, "Оклад", "OKLAD"},
          {kCombo, "Категорія", "NKAT", "|ПРОВ|1 КАТ|2 КАТ|3 КАТ"},
          {kCombo, "Розряд", "ROZRAD", "|1|2|3|4|5|6|7"},
          {kCombo, "Клас", "KLAS", "|1|2|3"},
          {kSpecial, "Виробництво", "HDEP"},
          {kColumn, nullptr, nullptr},
          {kCombo, "Кваліфікація", "KAT", "Керівник|Професіонал|Фахівець|Тех.службовець|Робітник"},
          {kCombo, "Штат", "SHTAT", "В|ЗВ|НВ"},
          {kCombo, "Напрям", "NAPR",
           "марк. та прод.послуг|тех. експлуатація|план. та будівництво|економіка|фінанси|"
           "транспортні питання|правові питання|кадрові питання|інші"},
          {kCheck, "Пенсіонер", "PENS"},
          {kPlainCombo, "Пенсія", "PENSP", "|За віком|По інвалідності|На пільгових умовах| "},
          {kEdit, "№ посвідчення", "UDOST"},
          {kEdit, "№ свід. соц. страх.", "SOCSTRAH"},
          {kEdit, "Примітки", "POLEADD"}}},
        {"Прийом\\Звільнення",
         {{kHeading, "Прийом на роботу", nullptr},
          {kDate, "Дата прийому", "WWORK"},
          {kEdit, "№ наказу", "PRJ_NOM"},
          {kDate, "Дата наказу", "PRJ_DNAK"},
          {kEdit, "Строк випробування", "PRJ_ISP", nullptr, "міс."},
          {kEdit, "Строк трудового договору", "PRJ_SROK"},
          {kCombo, "Робота", "PRJ_RAB", "|основна|за сумісництвом"},
          {kCombo, "Умови праці", "PRJ_UMOV", "|нормальні|шкідливі|небезпечні"},
          {kEdit, "Примітки", "PRJ_PRIM"},
          {kCheck, "Прийнятий(а)  на  новостворене  робоче  місце", "NOVO"},
          {kColumn, nullptr, nullptr},
          {kHeading, "Припинення трудового договору (контракту)", nullptr},
          {kDate, "Дата звільнення", "ENDEND"},
          {kEdit, "№ наказу", "UVL_NOM"},
          {kDate, "Дата наказу", "UVL_DNAK"},
          {kEdit, "Не відпрацьовано", "UVL_NOTW", nullptr, "дн."},
          {kEdit, "Компенсація за", "UVL_KOMP", nullptr, "дн."},
          {kCombo, "Підстава звільнення", "WHYWHY", EndReasons},
          {kEdit, "Причина звільнення", "UVL_WHY"}}},
        {"Пасп.дані",
         {{kEdit, "Серія та номер паспорту", "PASP"},
          {kEdit, "Ким виданий паспорт", "WHOOUT"},
          {kDate, "Дата видачі", "OUTDATE"},
          {kEdit, "Домашня адреса", "ADRHOME"},
          {kEdit, "Телефон", "TEL"}}},
        {"Освіта",
         {{kCombo, "Освіта", "EDUC",
           "Початкова|Базова загальна|Повна загальна|Проф. тех.|Неповна вища|Базова вища|"
           "Повна вища"},
          {kCombo, "Галузева/негалузева", "GALUZ", "Галузева|Прист.до галуз.|Негалузева"},
          {kEdit, "Назва закін. вищ. закл.", "NAMEHSHC"},
          {kDate, "Дата закінчення", "ENDHDATE"},
          {kEdit, "Назва закін. сер-спец. закл.", "NAMETEX"},
          {kDate, "Дата закінчення", "ENDTDATE"},
          {kEdit, "Назва закін. ПТУ", "NAMEPTU"},
          {kDate, "Дата закінчення", "ENDPDATE"},
          {kColumn, nullptr, nullptr},
          {kCombo, "Вид навчання", "TEDUC", "Денний|Вечірній|Заочний| "},
          {kEdit, "Спеціальність за дипломом", "DIPPROF"},
          {kEdit, "Кваліфікація за дипломом", "DIPQUAL"},
          {kEdit, "Номер диплома (свідоцтва)", "NUMDIP"}}},
        {"Родина",
         {{kCombo, "Родинний стан", "STATFAM",
           "Неодружений|Неодружена|Одружений|Одружена|Розлучений|Розлучена|Удівець|Удова"},
          {kEdit, "Члени сім'ї", "MEMBFAM"},
          {kSpecial, "Діти", "KIDS"}}},
        {"Призначення", {{kSpecial, nullptr, "NAZN"}}},
        {"Військ.облік",
         {{kEdit, "Група обліку", "V_GROUP"},
          {kEdit, "Категорія обліку", "V_KAT"},
          {kCombo, "Військове звання", "V_ZVAN",
           "|єфрейтор|капітан|лейтенант|майор|матрос|мічман|мол. лейтенант|мол. сержант|"
           "підполковник|полковник|прапорщик|рядовий|сержант|ст. лейтенант|ст. матрос|"
           "ст. прапорщик|ст. сержант|ст. солдат|старшина"},
          {kCombo, "Склад", "V_SOSTAV",
           "|інженерно-технічний|командний|матроси|медичний|мічмани|прапорщики|сержанти|"
           "солдати|старшини"},
          {kEdit, "Військово-облікова спец.", "V_SPEZ"},
          {kCombo, "Придатність до військ. сл.", "V_PRIG", "|нестроєвої|строєвої"},
          {kCheck, "Офіцер", "V_OFF"},
          {kEdit, "Особ. № офіцера", "V_VKOM"},
          {kColumn, nullptr, nullptr},
          {kEdit, "Назва райвійськкомату за місцем прож.", "V_ADR"},
          {kEdit, "№ військ. квитка", "V_NOMVB"},
          {kEdit, "Перебув. на спецобл.", "V_SPO"},
          {kEdit, "№ бл спецобл.", "V_NBLN"},
          {kDate, "Служба в армії з", "V_SLZ"},
          {kDate, "по", "V_SLPO"},
          {kEdit, "Наявність моб. приписання", "V_MOB"},
          {kEdit, "Номер команди (ЗСУ)", "V_NZSU"},
          {kColumn, nullptr, nullptr},
          {kDate, "Дата звірки з в/квит.", "V_DATVB"},
          {kDate, "Дата звірки з РВК", "V_DATRVK"},
          {kCheck, "Призовник", "V_PRIZ"},
          {kSpecial, "Військовий облік", "V_UCHET"}}},
        {"Інвалідність",
         {{kEdit, "Група інв.", "GRINV"},
          {kEdit, "Строк інв.", "TERMINV"},
          {kEdit, "Причина інв.", "WHYINV"},
          {kEdit, "№ інв. посвідчення", "NUMSER"},
          {kEdit, "Хто видав інв. посвід.", "WHOSER"}}},
        {"Чорнобильці",
         {{kEdit, "Категорія", "CH_KAT"},
          {kEdit, "Серія та № посвід.", "CH_NOM"},
          {kDate, "Дата видачі", "CH_DATE"},
          {kEdit, "Хто видав посвід.", "CH_WHO"}}},
        {"Нагороди", {{kEdit, "Нагорода", "WIN"}, {kDate, "Дата нагородження", "DATEWIN"}}},
        {"Графік відпусток",
         {{kHeading, "Відпустка 1", nullptr},
          {kDate, "Початок відпустки з", "OTPDATE"},
          {kEdit, "примітка", "OTPSTR"},
          {kEdit, "Кількість", "OTPCNT", nullptr, "днів"},
          {kColumn, nullptr, nullptr},
          {kHeading, "Відпустка 2", nullptr},
          {kDate, "Початок відпустки з", "OTPDATE1"},
          {kEdit, "примітка", "OTPSTR1"},
          {kEdit, "Кількість", "OTPCNT1", nullptr, "днів"}}},
    };
    return tabs;
}

QStringList Items(const char* Text) {
    return QString::fromUtf8(Text).split(u'|');
}

// The list grid's columns: field, title, width (0: default).
struct TListColumn {
    const char* Field;
    const char* Title;
    int Width;
};

const TListColumn ListColumns[] = {
    {"FAMILY", "Прізвище", 103},
    {"NAME", "Ім'я", 86},
    {"PATR", "По батькові", 92},
    {"TAB", "Таб. №", 39},
    {"ID", "Ідент.код", 0},
    {"SEX", "Стать", 42},
    {"L_PROF", "Посада", 0},
    {"LOOK", "Підрозд.", 284},
    {"BDATE", "Дата нар.", 0},
    {"BPLACE", "Місце народження", 0},
    {"PASP", "Паспорт", 0},
    {"WHOOUT", "Ким видан паспорт", 0},
    {"OUTDATE", "Дата видачі", 0},
    {"ADRHOME", "Домашня адреса", 0},
    {"TEL", "Телефон", 0},
    {"WWORK", "Дата прийому", 0},
    {"WOWORK", "Безпер. стаж", 0},
    {"WOWORK1", "Вислуга", 0},
    {"LPWORK", "Останнє місце роботи", 0},
    {"ENDDATE", "Дата звільн.", 0},
    {"WHYLEAVE", "Причина звільн.", 0},
    {"KAT", "Кваліфікація", 0},
    {"NKAT", "Категорія", 0},
    {"ROZRAD", "Розряд", 0},
    {"KLAS", "Клас", 0},
    {"NAPR", "Напрям", 0},
    {"SHTAT", "Штат", 0},
    {"HDEP", "Виробн.", 0},
    {"UDOST", "№ посв.", 0},
    {"EDUC", "Освіта", 0},
    {"GALUZ", "Галузь", 0},
    {"NAMEHSHC", "Назва вищ.", 0},
    {"ENDHDATE", "Дата зак.", 0},
    {"NAMETEX", "Назва тех.", 0},
    {"ENDTDATE", "Дата зак.", 0},
    {"NAMEPTU", "Назва ПТУ", 0},
    {"ENDPDATE", "Дата зак.", 0},
    {"TEDUC", "Вид навч.", 0},
    {"DIPPROF", "Спец. за дип.", 0},
    {"DIPQUAL", "Квал. за дип.", 0},
    {"NUMDIP", "№ дип.", 0},
    {"STATFAM", "Родинний стан", 0},
    {"MEMBFAM", "Члени сім'ї", 0},
    {"GRINV", "Гр. інв.", 0},
    {"TERMINV", "С", 0},
    {"WHYINV", "Причина інв.", 0},
    {"NUMSER", "№ інв. пос.", 0},
    {"WHOSER", "Хто видав", 0},
    {"WIN", "Нагороди", 0},
    {"DATEWIN", "Дата наг.", 0},
    {"V_GROUP", "Гр. обліку", 0},
    {"V_KAT", "Кат. обл.", 0},
    {"V_ZVAN", "В. звання", 0},
    {"V_SOSTAV", "В. склад", 0},
    {"V_SPEZ", "В. спец.", 0},
    {"V_PRIG", "В. придат.", 0},
    {"V_VKOM", "№ офіцера", 0},
    {"V_ADR", "Назва РВК", 0},
    {"V_NOMVB", "№ в. квит.", 0},
    {"V_SPO", "Переб. на с.обл.", 0},
    {"V_NBLN", "№ бл. спец.", 0},
    {"V_SLZ", "Армія з", 0},
    {"V_SLPO", "Армія до", 0},
    {"V_MOB", "Моб. прип.", 0},
    {"V_NZSU", "№ ЗСУ", 0},
    {"V_DATVB", "Дата звірки квит.", 0},
    {"V_DATRVK", "Дата звірки РВК", 0},
    {"V_UCHET", "В.забов.", 0},
    {"V_PRIZ", "Призовник", 0},
    {"OTPDATE", "Дата відп.", 0},
    {"OTPSTR", "Прим. відп.", 0},
    {"OTPDATE1", "Дата відп.", 0},
    {"OTPSTR1", "Прим. відп.", 0},
};

constexpr int RowStep = 26, LabelWidth = 200, ControlWidth = 200, DateWidth = 110,
              ColumnWidth = 430, TabsHeight = 300;

} // namespace

TCardForm::TCardForm(TComponent* AOwner) : TForm(AOwner) {
    SetName(QStringLiteral("CardForm"));
    SetCaption(QStringLiteral("Особові картки"));
    SetFormStyle(fsMDIChild);
    SetWindowState(wsMaximized);
    SetKeyPreview(true);
    makeHeader();
    makeTabs();
    makeFilters();
    makeListGrid();
    OnCloseQuery = [this](TObject* S, bool& C) { FormCloseQuery(S, C); };
    OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };
    DM->OnEmployeeInsert = [this](TObject*) { PageControl1->SetActivePageIndex(0); };
    FormCreate(this);
}

TCardForm::~TCardForm() {
    if (CardForm == this) CardForm = nullptr;
    if (DM) DM->OnEmployeeInsert = nullptr;
}

TControl* TCardForm::FieldControl(const QString& Field) const {
    auto i = fieldControls.find(Field);
    return i == fieldControls.end() ? nullptr : i->second;
}

void TCardForm::makeHeader() {
    Panel1 = Place<TPanel>(this, this, "Panel1", 0, 0, 800, 36);
    Panel1->SetAlign(alTop);
    Panel1->SetBevelOuter(bvNone);
    int left = 12;
    for (auto [text, field] :
         {std::pair{&DBText1, "FAMILY"}, {&DBText2, "NAME"}, {&DBText3, "PATR"}}) {
        TDBText* t = Place<TDBText>(this, Panel1, "", left, 6, 220, 24);
        t->SetDataSource(DM->DataSource);
        t->SetDataField(QString::fromLatin1(field));
        t->GetFont()->SetColor(clBlue);
        t->GetFont()->SetStyle(TFontStyles{fsBold});
        t->GetFont()->SetHeight(-16);
        *text = t;
        left += 226;
    }
    DBText1->SetName(QStringLiteral("DBText1"));
    DBText2->SetName(QStringLiteral("DBText2"));
    DBText3->SetName(QStringLiteral("DBText3"));
    // placed from the bar's right end as it is now, so that the anchor keeps it there
    BitBtn3 = Place<TBitBtn>(this, Panel1, "BitBtn3", Panel1->GetClientWidth() - 158, 5, 150, 26);
    BitBtn3->SetAnchors(TAnchors{akTop, akRight});
    BitBtn3->SetCaption(QStringLiteral("Друк документів"));
    BitBtn3->OnClick = [this](TObject* S) { BitBtn3Click(S); };
    makeDocumentsMenu();
}

void TCardForm::makeTabs() {
    PageControl1 = Place<TPageControl>(this, this, "PageControl1", 0, 36, 800, TabsHeight);
    PageControl1->SetAlign(alTop);
    int tabIndex = 0;
    for (const TTab& tab : Tabs()) {
        auto* sheet = new TTabSheet(this);
        sheet->SetName(QStringLiteral("TabSheet%1").arg(++tabIndex));
        sheet->SetPageControl(PageControl1);
        sheet->SetCaption(QString::fromUtf8(tab.Caption));
        int x = 8, y = 8, shift = 0;
        // A column whose longest label is wider than the label space moves its controls (and
        // the columns after it) to the right, so that no label runs under its control.
        std::vector<TControl*> besideLabels;
        int widestLabel = 0;
        auto endColumn = [&] {
            const int more = std::max(0, widestLabel + 8 - LabelWidth);
            for (TControl* c : besideLabels)
                c->SetLeft(c->GetLeft() + more);
            shift += more;
            besideLabels.clear();
            widestLabel = 0;
            return more;
        };
        for (const TRow& r : tab.Rows) {
            if (r.Kind == kColumn) {
                x += ColumnWidth + endColumn();
                y = 8;
                continue;
            }
            const QString field = QString::fromLatin1(r.Field ? r.Field : "");
            if (r.Kind == kHeading) {
                TLabel* l = PlaceLabel(this, sheet, "", x, y + 4, r.Label);
                l->GetFont()->SetStyle(TFontStyles{fsBold});
                y += RowStep;
                continue;
            }
            if (r.Kind == kSpecial &&
                (field == "FOTO" || field == "KIDS" || field == "NAZN" || field == "V_UCHET")) {
                if (field == "FOTO") {
                    auto* box = Place<TGroupBox>(this, sheet, "GroupBox1",
                                                 2 * ColumnWidth + 8 + shift, 4, 170, 230);
                    box->SetCaption(QStringLiteral(" Фото "));
                    DBImage1 = Place<TDBImage>(this, box, "DBImage1", 8, 20, 154, 200);
                    DBImage1->SetStretch(true);
                    DBImage1->SetDataSource(DM->DataSource);
                    DBImage1->SetDataField(field);
                    PopupMenu1 = new TPopupMenu(this);
                    PopupMenu1->SetName(QStringLiteral("PopupMenu1"));
                    auto item = [this](const char* Name, const char* Caption,
                                       void (TCardForm::*H)(TObject*)) {
                        auto* m = new TMenuItem(this);
                        m->SetName(QString::fromLatin1(Name));
                        m->SetCaption(QString::fromUtf8(Caption));
                        m->OnClick = [this, H](TObject* S) { (this->*H)(S); };
                        PopupMenu1->GetItems()->Add(m);
                        return m;
                    };
                    N1 = item("N1", "Вставити", &TCardForm::N1Click);
                    N2 = item("N2", "Копіювати", &TCardForm::N2Click);
                    N3 = item("N3", "Видалити", &TCardForm::N3Click);
                    DBImage1->SetPopupMenu(PopupMenu1);
                    fieldControls[field] = DBImage1;
                } else if (field == "V_UCHET") {
                    auto* g = Place<TDBRadioGroup>(this, sheet, "DBRadioGroup1", x, y, 300, 92);
                    g->SetCaption(QStringLiteral(" Військовий облік "));
                    g->GetItems()->SetText(
                        QStringLiteral("Військовозобов'язаний(а)\nЗнят(а) з в/обліку\n"
                                       "Невійськовозабов'язаний(а)"));
                    g->GetValues()->SetText(QStringLiteral("0\n1\n2"));
                    g->SetDataSource(DM->DataSource);
                    g->SetDataField(field);
                    fieldControls[field] = g;
                } else if (field == "KIDS") {
                    auto* box = Place<TGroupBox>(this, sheet, "GroupBox2", x, y + 4, 520, 190);
                    box->SetCaption(QStringLiteral(" Діти "));
                    makeDetailGrids(box, nullptr);
                } else {
                    makeDetailGrids(nullptr, sheet);
                }
                continue;
            }
            const int labelWidth = PlaceLabel(this, sheet, "", x, y + 4, r.Label)->GetWidth();
            // a check box follows a long label of its own instead of widening the column
            if (r.Kind != kCheck) widestLabel = std::max(widestLabel, labelWidth);
            const int cx =
                r.Kind == kCheck ? x + std::max(LabelWidth, labelWidth + 8) : x + LabelWidth;
            TWinControl* c = nullptr;
            int width = ControlWidth;
            switch (r.Kind) {
            case kEdit:
            case kReadOnly: {
                auto* e = Place<TDBEdit>(this, sheet, "", cx, y, ControlWidth, 22);
                e->SetDataSource(DM->DataSource);
                e->SetDataField(field);
                if (r.Kind == kReadOnly) e->SetReadOnly(true);
                if (field == "FAMILY") {
                    DBEdit1 = e;
                    e->SetName(QStringLiteral("DBEdit1"));
                }
                c = e;
                break;
            }
            case kDate: {
                auto* d = Place<TDBDateEdit>(this, sheet, "", cx, y, DateWidth, 22);
                d->SetDataSource(DM->DataSource);
                d->SetDataField(field);
                c = d;
                width = DateWidth;
                break;
            }
            case kCombo: {
                auto* b = Place<TRxDBComboBox>(this, sheet, "", cx, y, ControlWidth, 22);
                b->SetStyle(csDropDown);
                b->GetItems()->SetText(Items(r.Items).join(u'\n'));
                b->SetDropDownCount(field == "WHYWHY" ? 14 : 8);
                b->SetDataSource(DM->DataSource);
                b->SetDataField(field);
                c = b;
                break;
            }
            case kPlainCombo: {
                auto* b = Place<TDBComboBox>(this, sheet, "", cx, y, ControlWidth, 22);
                b->GetItems()->SetText(Items(r.Items).join(u'\n'));
                b->SetDataSource(DM->DataSource);
                b->SetDataField(field);
                c = b;
                break;
            }
            case kCheck: {
                auto* k = Place<TDBCheckBox>(this, sheet, "", cx, y, 22, 22);
                k->SetCaption(QString());
                k->SetValueChecked(QStringLiteral("1"));
                k->SetValueUnchecked(QStringLiteral("0"));
                k->SetDataSource(DM->DataSource);
                k->SetDataField(field);
                c = k;
                break;
            }
            case kSpecial:
                if (field == "KODP_2") {
                    DBLookupComboboxEh1 = Place<TDBLookupComboboxEh>(
                        this, sheet, "DBLookupComboboxEh1", cx, y, ControlWidth, 22);
                    DBLookupComboboxEh1->SetDataSource(DM->DataSource);
                    DBLookupComboboxEh1->SetDataField(field);
                    DBLookupComboboxEh1->SetListSource(DM->DSpodr);
                    DBLookupComboboxEh1->SetKeyField(QStringLiteral("KODP"));
                    DBLookupComboboxEh1->SetListField(QStringLiteral("NAIPODR"));
                    DBLookupComboboxEh1->OnKeyValueChanged = [this](TObject* S) {
                        DBLookupComboboxEh1Change(S);
                    };
                    c = DBLookupComboboxEh1;
                } else if (field == "HDEP") {
                    HdepCombo =
                        Place<TDBComboBox>(this, sheet, "HdepCombo", cx, y, ControlWidth, 22);
                    HdepCombo->SetDataSource(DM->DataSource);
                    HdepCombo->SetDataField(field);
                    c = HdepCombo;
                } else {
                    const bool group = field == "KODG_2";
                    auto* l = Place<TRxDBLookupCombo>(
                        this, sheet, group ? "GroupCombo" : "ProfCombo", cx, y, ControlWidth, 22);
                    l->SetDropDownCount(8);
                    l->SetDataSource(DM->DataSource);
                    l->SetDataField(field);
                    l->SetLookupSource(group ? DM->DSgroup : DM->DSprof);
                    l->SetLookupField(QString::fromLatin1(group ? "KODG" : "CODPROF"));
                    l->SetLookupDisplay(QString::fromLatin1(group ? "NAIGR" : "NAMPROF"));
                    (group ? GroupCombo : ProfCombo) = l;
                    c = l;
                }
                break;
            default:
                break;
            }
            if (c) {
                fieldControls[field] = c;
                besideLabels.push_back(c);
            }
            if (r.Suffix)
                besideLabels.push_back(
                    PlaceLabel(this, sheet, "", cx + width + 6, y + 4, r.Suffix));
            y += RowStep;
        }
        endColumn();
    }
    PageControl1->SetActivePageIndex(0);
    Panel3 = Place<TPanel>(this, this, "Panel3", 0, 336, 800, 20);
    Panel3->SetAlign(alTop);
    Panel3->SetColor(clInfoBk);
    Panel3->SetCaption(QStringLiteral("Перехід по Tab"));
}

void TCardForm::makeDetailGrids(TWinControl* KidsParent, TWinControl* NaznParent) {
    if (KidsParent) {
        DBGridEh2 = Place<TDBGridEh>(this, KidsParent, "DBGridEh2", 2, 16, 500, 170);
        DBGridEh2->SetAlign(alClient);
        DBGridEh2->SetDataSource(DM->DSkids);
        DBGridEh2->SetPopupMenu(DM->DBPopMenu);
        DBGridEh2->SetEditActions(ListEditActions);
        AddColumn(DBGridEh2, "KID_NAME", "Ім'я дитини", 253);
        AddColumn(DBGridEh2, "KID_DAT", "Дата народження", 136)->SetAlwaysShowEditButton(true);
        TColumnEh* sex = AddColumn(DBGridEh2, "KID_SEX", "Стать", 82);
        sex->GetPickList()->SetText(QStringLiteral("Чоловіча\nЖіноча"));
        sex->GetKeyList()->SetText(QStringLiteral("Ч\nЖ"));
    }
    if (NaznParent) {
        DBGridEh3 = Place<TDBGridEh>(this, NaznParent, "DBGridEh3", 0, 0, 800, 260);
        DBGridEh3->SetAlign(alClient);
        DBGridEh3->SetDataSource(DM->DSnazn);
        DBGridEh3->SetPopupMenu(DM->DBPopMenu);
        DBGridEh3->SetEditActions(ListEditActions);
        DBGridEh3->SetUseMultiTitle(true);
        AddColumn(DBGridEh3, "NAZ_DATE", "Дата", 0)->SetAlwaysShowEditButton(true);
        AddColumn(DBGridEh3, "L_KODP", "Підрозділ", 282)->SetAlwaysShowEditButton(true);
        AddColumn(DBGridEh3, "L_CPROF", "Посада", 307)->SetAlwaysShowEditButton(true);
        struct {
            const char *Field, *Title, *Items;
            int Width;
        } picks[] = {{"KAT", "Кат.", "|ПРОВ|1 КАТ|2 КАТ|3 КАТ", 48},
                     {"ROZ", "Роз.", "|1|2|3|4|5|6|7", 0},
                     {"KLAS", "Клас", "|1|2|3", 33}};
        for (auto& p : picks) {
            TColumnEh* c = AddColumn(DBGridEh3, p.Field, p.Title, p.Width);
            c->GetPickList()->SetText(Items(p.Items).join(u'\n'));
            c->SetAlwaysShowEditButton(true);
        }
        AddColumn(DBGridEh3, "OKLAD", "Оклад", 42);
        AddColumn(DBGridEh3, "NAK_N", "Підстава|№", 26);
        AddColumn(DBGridEh3, "NAK_D", "Підстава|Дата", 73)->SetAlwaysShowEditButton(true);
    }
}

void TCardForm::makeFilters() {
    Panel2 = Place<TPanel>(this, this, "Panel2", 0, 356, 800, 34);
    Panel2->SetAlign(alTop);
    Panel2->SetBevelOuter(bvNone);
    // Each pair of radio buttons is a group of its own.
    auto* left = Place<TPanel>(this, Panel2, "Panel4", 0, 0, 470, 34);
    left->SetAlign(alLeft);
    left->SetBevelOuter(bvNone);
    auto* right = Place<TPanel>(this, Panel2, "Panel5", 470, 0, 400, 34);
    right->SetAlign(alClient);
    right->SetBevelOuter(bvNone);
    RadioButton1 = Place<TRadioButton>(this, left, "RadioButton1", 8, 8, 130, 20);
    RadioButton1->SetCaption(QStringLiteral("Усі підрозділи"));
    RadioButton1->SetChecked(true);
    RadioButton2 = Place<TRadioButton>(this, left, "RadioButton2", 140, 8, 96, 20);
    RadioButton2->SetCaption(QStringLiteral("Підрозділ"));
    RxDBLookupCombo4 = Place<TRxDBLookupCombo>(this, left, "RxDBLookupCombo4", 238, 6, 224, 22);
    RxDBLookupCombo4->SetLookupSource(DM->DSpodr);
    RxDBLookupCombo4->SetLookupField(QStringLiteral("KODP"));
    RxDBLookupCombo4->SetLookupDisplay(QStringLiteral("NAIPODR"));
    RxDBLookupCombo4->SetDropDownCount(8);
    RxDBLookupCombo4->SetEnabled(false);
    RadioButton3 = Place<TRadioButton>(this, right, "RadioButton3", 8, 8, 130, 20);
    RadioButton3->SetCaption(QStringLiteral("Усі працівники"));
    RadioButton4 = Place<TRadioButton>(this, right, "RadioButton4", 140, 8, 160, 20);
    RadioButton4->SetCaption(QStringLiteral("Працюючі станом на"));
    RadioButton4->SetChecked(true);
    DateEd = Place<TDateEdit>(this, right, "DateEd", 302, 6, 110, 22);
    DateEd->GetFont()->SetColor(clBlue);
    RadioButton1->OnClick = [this](TObject* S) { RadioButton1Click(S); };
    RadioButton2->OnClick = [this](TObject* S) { RadioButton2Click(S); };
    RadioButton3->OnClick = [this](TObject* S) { RadioButton3Click(S); };
    RadioButton4->OnClick = [this](TObject* S) { RadioButton4Click(S); };
    RxDBLookupCombo4->OnChange = [this](TObject* S) { RxDBLookupCombo4Change(S); };
}

void TCardForm::makeListGrid() {
    DBGridEh1 = Place<TDBGridEh>(this, this, "DBGridEh1", 0, 390, 800, 300);
    DBGridEh1->SetAlign(alClient);
    DBGridEh1->SetDataSource(DM->DataSource);
    DBGridEh1->SetOptions(TDBGridOptions{dgTitles, dgIndicator, dgColumnResize, dgColLines,
                                         dgRowLines, dgTabs, dgAlwaysShowSelection,
                                         dgConfirmDelete});
    DBGridEh1->SetOptionsEh(TDBGridEhOptions{dghFixed3D, dghHighlightFocus, dghClearSelection,
                                             dghAutoSortMarking, dghMultiSortMarking,
                                             dghIncSearch});
    DBGridEh1->SetFlat(true);
    DBGridEh1->SetFooterColor(clYellow);
    DBGridEh1->SetPopupMenu(DM->DBPopMenu);
    const QStringList uncentred = {"KAT", "NKAT", "ROZRAD", "KLAS"};
    for (const TListColumn& lc : ListColumns) {
        TColumnEh* c = AddColumn(DBGridEh1, lc.Field, lc.Title, lc.Width);
        const QString f = QString::fromLatin1(lc.Field);
        if (!uncentred.contains(f) && !f.startsWith(QLatin1String("V_")))
            c->GetTitle()->SetAlignment(taCenter);
        if (f == "FAMILY" || f == "TAB" || f == "LOOK") c->GetTitle()->SetTitleButton(true);
    }
    CountFooters(DBGridEh1, DBGridEh1->GetColumns()->GetItems(0),
                 DBGridEh1->GetColumns()->GetItems(1), true);
    // the list opens on its first screen of rows; the server counts the rest
    CountFootersBy(DBGridEh1, [] { return DM->CountQueryRows(); });
    DBGridEh1->SetEditActions(ListEditActions);
    DBGridEh1->SetFrozenCols(3);
    DBGridEh1->OnSortMarkingChanged = [this](TObject* S) { DBGridEh1SortMarkingChanged(S); };
    DBGridEh1->OnDrawColumnCell = [this](TObject* S, const TRect& R, int D, TColumnEh* C,
                                         TGridDrawState St) {
        DBGridEh1DrawColumnCell(S, R, D, C, St);
    };
}

// ---- opening and the filters ----------------------------------------------------------------

void TCardForm::FormCreate(TObject*) {
    // The lookups' datasets first: the list's rows take their subdivision and position names
    // from them as they are read.
    for (TDataSet* d : {static_cast<TDataSet*>(DM->IBpodr), static_cast<TDataSet*>(DM->IBprof),
                        static_cast<TDataSet*>(DM->IBgroup)})
        d->Open();
    // The date's change writes the employment filter for today and opens the list.
    DateEd->SetText(DateToStr(Date()));
    if (!DM->IBQuery->GetActive()) employmentFilter();
    for (TDataSet* d : {static_cast<TDataSet*>(DM->IBnazn), static_cast<TDataSet*>(DM->IBkids)})
        d->Open();
    TStrings* items = HdepCombo->GetItems();
    items->Clear();
    items->Add(QString());
    DM->IBdepart->Open();
    for (DM->IBdepart->First(); !DM->IBdepart->GetEof(); DM->IBdepart->Next())
        items->Add(DM->IBdepart->FieldByName(QStringLiteral("NAMEDEP"))->GetAsString());
    DM->IBdepart->Close();
    DateEd->OnChange = [this](TObject* S) { DateEdChange(S); };
}

void TCardForm::requery(int FromEnd, const QString& Line) {
    TWaitWindow wait;
    DM->SetQueryLine(FromEnd, Line);
    DM->IBQuery->Open();
}

void TCardForm::RadioButton1Click(TObject*) {
    if (!RadioButton1->GetChecked()) return;
    RxDBLookupCombo4->SetEnabled(false);
    requery(2, QString());
}

void TCardForm::RadioButton2Click(TObject*) {
    if (!RadioButton2->GetChecked()) return;
    RxDBLookupCombo4->SetEnabled(true);
    if (!RxDBLookupCombo4->GetValue().isEmpty()) RxDBLookupCombo4Change(RxDBLookupCombo4);
}

void TCardForm::RxDBLookupCombo4Change(TObject*) {
    // KODP_2 is an integer column: the key goes in as a number, never as typed text.
    bool ok = false;
    const int code = RxDBLookupCombo4->GetValue().toInt(&ok);
    requery(2, ok ? QStringLiteral("AND KODP_2=%1").arg(code) : QString());
}

void TCardForm::RadioButton3Click(TObject*) {
    if (!RadioButton3->GetChecked()) return;
    DateEd->SetEnabled(false);
    requery(3, QString());
}

void TCardForm::RadioButton4Click(TObject*) {
    if (!RadioButton4->GetChecked()) return;
    DateEd->SetEnabled(true);
    employmentFilter();
}

void TCardForm::DateEdChange(TObject*) {
    employmentFilter();
}

void TCardForm::employmentFilter() {
    // Only a complete, valid date narrows the list; while it is being typed the list stays.
    static const QRegularExpression complete(QStringLiteral("^\\d{1,2}\\.\\d{1,2}\\.\\d{4}$"));
    const QString text = DateEd->GetText().trimmed();
    TDateTime d = 0;
    if (!complete.match(text).hasMatch() || !TryStrToDate(text, d)) return;
    requery(3, EmploymentFilterLine(d, d));
}

QString TCardForm::OrderLine(TDBGridEh* Grid) {
    QStringList parts;
    TColumnsEhList* marked = Grid->GetSortMarkedColumns();
    for (int i = 0; i < marked->Count(); ++i) {
        TColumnEh* c = marked->GetColumn(i);
        QString field = c->GetFieldName();
        if (field == QLatin1String("LOOK")) field = QStringLiteral("KODP_2");
        parts << (c->GetTitle()->GetSortMarker() == smUpEh ? field + QStringLiteral(" DESC ")
                                                           : field);
    }
    return parts.isEmpty() ? QString() : QStringLiteral(" ORDER BY ") + parts.join(", ");
}

void TCardForm::DBGridEh1SortMarkingChanged(TObject*) {
    requery(1, OrderLine(DBGridEh1));
}

void TCardForm::DBGridEh1DrawColumnCell(TObject*, const TRect& Rect, int DataCol, TColumnEh* Column,
                                        TGridDrawState State) {
    TField* end = DM->IBQuery->FindField(QStringLiteral("ENDEND"));
    if (end && !end->GetAsString().isEmpty()) DBGridEh1->GetCanvas()->GetFont()->SetColor(clRed);
    DBGridEh1->DefaultDrawColumnCell(Rect, DataCol, Column, State);
}

void TCardForm::DBLookupComboboxEh1Change(TObject*) {
    // Only an edit of a stored employee: a new one keeps the group it was given.
    if (DM->IBQuery->GetState() != dsEdit) return;
    if (DBLookupComboboxEh1->GetKeyValue().IsNull()) return;
    // The combo has moved the subdivisions onto the chosen one; the key written back by this
    // change itself (same code) leaves the group alone.
    TField* code = DM->IBQuery->FieldByName(QStringLiteral("KODP_2"));
    const Variant chosen = DM->IBpodr->FieldByName(QStringLiteral("KODP"))->GetValue();
    if (!code->IsNull() && VarSameValue(code->GetValue(), chosen)) return;
    code->SetValue(chosen);
    // the group belonged to the old subdivision
    DM->IBQuery->FieldByName(QStringLiteral("KODG_2"))->Clear();
}

// ---- the photo ------------------------------------------------------------------------------

void TCardForm::N1Click(TObject*) {
    if (!DM->IBQuery->CanModify()) return;
    const auto refuse = [](const QString& Text) {
        GetUserInteraction()->MessageBox(Text + QStringLiteral(" Фото не змінено."),
                                         QString::fromUtf16(SMessageCaption),
                                         MB_OK | MB_ICONWARNING);
    };
    if (!Clipboard()->HasFormat(CF_BITMAP) && !Clipboard()->HasFormat(CF_DIB))
        return refuse(QStringLiteral("У буфері обміну немає зображення."));
    TBitmap b;
    Clipboard()->AssignTo(&b);
    if (b.GetWidth() > MaxPhotoSide || b.GetHeight() > MaxPhotoSide)
        return refuse(
            QStringLiteral("Зображення завелике: найбільше %1 на %1 точок.").arg(MaxPhotoSide));
    DBImage1->PasteFromClipboard();
}

void TCardForm::N2Click(TObject*) {
    DBImage1->CopyToClipboard();
}

void TCardForm::N3Click(TObject*) {
    if (DM->IBQuery->CanModify()) DBImage1->CutToClipboard();
}

// ---- closing --------------------------------------------------------------------------------

void TCardForm::closeData() {
    if (closed) return;
    closed = true;
    try {
        for (TDataSet* d : {static_cast<TDataSet*>(DM->IBnazn), static_cast<TDataSet*>(DM->IBkids),
                            static_cast<TDataSet*>(DM->IBQuery)})
            d->Close();
        DM->SetQueryLine(2, QString());
        for (TDataSet* d : {static_cast<TDataSet*>(DM->IBprof), static_cast<TDataSet*>(DM->IBpodr),
                            static_cast<TDataSet*>(DM->IBgroup)})
            d->Close();
    } catch (Exception&) {
        // the window goes anyway; the datasets are opened again with it
    }
}

void TCardForm::FormCloseQuery(TObject*, bool& CanClose) {
    // A save that failed keeps the window and the edit: nothing typed is lost.
    CanClose = DM->SaveOnClose(DM->IBQuery);
    if (CanClose) closeData();
}

void TCardForm::FormClose(TObject*, TCloseAction& Action) {
    closeData();
    if (DM->OnEmployeeInsert) DM->OnEmployeeInsert = nullptr;
    Action = caFree;
    CardForm = nullptr;
}
