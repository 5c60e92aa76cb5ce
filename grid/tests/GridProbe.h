// A probe of the grid's layout on screen. The grid's own cell painting is separate work;
// TProbeGrid writes each title cell of the multi-level title, the texts of the records and
// the footer rows plainly into the cells the layout gives them, and notes where it put the
// title cells. TStaffForm shows it over a small staff table with a two-level title, a frozen
// column, sort markers and a footer row. Used by the layout test and the X-server check.
#pragma once

#include "DBGridEh.h"
#include "Forms.h"
#include "MemDS.h"

#include <map>
#include <vector>

class TProbeGrid : public TDBGridEh {
    KADRION_CLASS(TProbeGrid)
    explicit TProbeGrid(TComponent* AOwner) : TDBGridEh(AOwner) {}

    // Where each title cell was painted, by its text.
    std::map<QString, TRect> Painted;

    void DrawCell(int ACol, int ARow, TRect R, TGridDrawState State) override {
        TCanvas* c = GetCanvas();
        const int dataCol = ACol - GetIndicatorOffset();
        const int dataRow = ARow - GetTitleOffset();
        const int footerStart = GetRowCount() - GetFooterRowCount();
        c->GetBrush()->SetStyle(bsSolid);
        c->GetFont()->Assign(GetFont());
        if (dataCol < 0) {
            c->GetBrush()->SetColor(GetFixedColor());
            c->FillRect(R);
            if (ARow == GetRow())
                GetIndicators()->Draw(c, R.Left, R.Top + (R.Height() - IndicatorImageHeightEh) / 2,
                                      0);
            return;
        }
        TColumnEh* col = ColumnAt(dataCol);
        if (dataRow < 0) {
            paintTitle(c, dataCol, col, R);
        } else if (GetFooterRowCount() > 0 && ARow >= footerStart) {
            c->GetBrush()->SetColor(GetFooterColor());
            c->FillRect(R);
            if (dataCol == 0) c->TextRect(R, R.Left + 2, R.Top + 2, QStringLiteral("Всього"));
        } else if (GetFooterRowCount() > 0 && ARow == footerStart - 1) {
            c->GetBrush()->SetColor(GetColor());
            c->FillRect(R); // the filler
        } else {
            c->GetBrush()->SetColor(State.Contains(gdFixed) ? clBtnFace : col->GetColor());
            c->FillRect(R);
            if (GetDataLink()->GetActive() && dataRow < GetDataLink()->GetRecordCount()) {
                int saved = GetDataLink()->GetActiveRecord();
                GetDataLink()->SetActiveRecord(dataRow);
                c->TextRect(R, R.Left + 2, R.Top + 2, col->GetDisplayText());
                GetDataLink()->SetActiveRecord(saved);
            }
        }
    }

private:
    void paintTitle(TCanvas* c, int DataCol, TColumnEh* Col, const TRect& R) {
        c->GetBrush()->SetColor(GetFixedColor());
        THeadTreeNode* leaf = GetColumnLeaf(DataCol);
        if (!leaf) {
            c->FillRect(R);
            paintText(c, R, Col->GetTitle()->GetCaption(), Col);
            return;
        }
        // the levels above the leaf, top first; each drawn by the first column under it
        std::vector<THeadTreeNode*> chain;
        for (THeadTreeNode* n = leaf; n->Host && n->Host->Host; n = n->Host)
            chain.insert(chain.begin(), n->Host);
        int y = R.Top;
        for (THeadTreeNode* n : chain) {
            THeadTreeNode* first = n;
            while (first->Child)
                first = first->Child;
            if (first == leaf) {
                TRect cell{R.Left, y, R.Left + n->Width, y + n->Height - 1};
                c->FillRect(cell);
                c->GetPen()->SetColor(clBlack);
                c->MoveTo(cell.Left, cell.Bottom);
                c->LineTo(cell.Right, cell.Bottom);
                paintText(c, cell, n->Text, nullptr);
            }
            y += n->Height;
        }
        TRect own{R.Left, y, R.Right, R.Bottom};
        c->FillRect(own);
        paintText(c, own, leaf->Text, Col);
    }
    void paintText(TCanvas* c, const TRect& R, const QString& Text, TColumnEh* Col) {
        c->GetFont()->Assign(GetTitleFont());
        c->TextRect(R, R.Left + 2, R.Top + 2, Text);
        Painted[Text] = R;
        if (Col && Col->GetTitle()->GetSortMarker() != smNoneEh)
            GetSortMarkerImages()->Draw(c, R.Right - SortMarkerImageWidthEh - 2, R.Top + 2,
                                        Col->GetTitle()->GetSortMarker() == smDownEh ? 0 : 1);
    }
};

class TStaffForm : public TForm {
    KADRION_CLASS(TStaffForm)
    explicit TStaffForm(TComponent* AOwner) : TForm(AOwner) {
        Staff = new TMemDataSet(this);
        TFieldDefs* d = Staff->GetFieldDefs();
        d->Add("TAB", ftString, 5);
        d->Add("FAMILY", ftString, 20);
        d->Add("NAME", ftString, 14);
        d->Add("ORDNO", ftString, 6);
        d->Add("ORDDATE", ftDate);
        d->Add("OKLAD", ftFloat);
        Staff->Open();
        const struct {
            const char *tab, *family, *name, *no;
            int day;
            double salary;
        } rows[] = {
            {"00001", "Коваленко", "Олена", "12-к", 3, 9800},
            {"00002", "Шевчук", "Андрій", "14-к", 5, 11250.5},
            {"00003", "Ґалаґан", "Ярослава", "15-к", 9, 8700},
            {"00004", "Їжакевич", "Богдан", "21-к", 11, 10400},
            {"00005", "Бондаренко", "Тетяна", "22-к", 12, 9100},
            {"00006", "Лисенко", "Євген", "30-к", 17, 12900},
            {"00007", "Мельник", "Ірина", "31-к", 18, 7600},
            {"00008", "Ткаченко", "Юрій", "35-к", 23, 10050},
            {"00009", "Остапчук", "Марія", "40-к", 24, 9350},
            {"00010", "Цибуленко", "Щасливий", "41-к", 25, 8800},
            {"00011", "Яковенко", "Світлана", "44-к", 26, 11700},
            {"00012", "Гнатюк", "Назар", "47-к", 30, 9900},
        };
        for (const auto& r : rows)
            Staff->AppendRecord({r.tab, r.family, r.name, r.no, 45600.0 + r.day, r.salary});
        Staff->First();
        Source = new TDataSource(this);
        Source->SetDataSet(Staff);

        BeginLoading();
        SetBounds(40, 40, 560, 250);
        SetCaption(QStringLiteral("Накази"));
        Grid = new TProbeGrid(this);
        Grid->SetParent(this);
        Grid->SetAlign(alClient);
        Grid->SetUseMultiTitle(true);
        Grid->SetTitleLines(2);
        Grid->SetFooterRowCount(1);
        Grid->SetFrozenCols(1);
        Grid->SetOptionsEh(Grid->GetOptionsEh() + TDBGridEhOptions{dghMultiSortMarking});
        const struct {
            const char *field, *caption;
            int width;
        } cols[] = {
            {"TAB", "Таб. №", 50},       {"FAMILY", "Прізвище", 110},      {"NAME", "Ім'я", 90},
            {"ORDNO", "Підстава|№", 55}, {"ORDDATE", "Підстава|Дата", 80}, {"OKLAD", "Оклад", 80},
        };
        for (const auto& c : cols) {
            TColumnEh* col = Grid->GetColumns()->Add();
            col->SetFieldName(c.field);
            col->SetWidth(c.width);
            col->GetTitle()->SetCaption(QString::fromUtf8(c.caption));
        }
        Grid->GetColumns()->GetItems(1)->GetTitle()->SetSortMarker(smDownEh);
        Grid->GetColumns()->GetItems(1)->GetTitle()->SetSortIndex(1);
        Grid->GetColumns()->GetItems(4)->GetTitle()->SetSortMarker(smUpEh);
        Grid->GetColumns()->GetItems(4)->GetTitle()->SetSortIndex(2);
        Grid->SetDataSource(Source);
        EndLoading();
    }
    TMemDataSet* Staff;
    TDataSource* Source;
    TProbeGrid* Grid;
};
