// Painting the card list: a screenful of 100,000 generated employees shown in the card list's
// grid configuration and scrolled page by page, each page painted into an image, against Qt's
// QTableView over a table model of the same rows and columns (the same texts, column widths,
// row height and font) painted into an image of the same size, on the offscreen platform, in
// the same run. Target: the grid within 1.5x of QTableView.
//
// Each iteration scrolls both down by PagesPerIteration pages, QTableView's pages right before
// the grid's, so both see the same machine load; x_qtableview is the grid's total time over
// QTableView's total across the iterations, and x_qtableview_cpu the same for the processor
// time of the whole process (Qt's raster engine hands some of QTableView's work to its worker
// threads, which the benchmark's own CPU column, the main thread's, does not see). Scrolling is
// what a user does: the view moves, the events are handled (each widget repaints what it must),
// then the widget is painted into the image.
#include "CardListGrid.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <memory>

namespace {

constexpr int Employees = 100000;
constexpr int PagesPerIteration = 50;
constexpr int Width = 1000, Height = 600;

// The rows as the grid shows them: the display texts of the columns, read once.
class TTextModel : public QAbstractTableModel {
public:
    TTextModel(TCustomDBGridEh* Grid, TDataSet* Ds) {
        TDBGridColumnsEh* cols = Grid->GetColumns();
        for (int c = 0; c < cols->Count(); ++c)
            titles << cols->GetItems(c)->GetTitle()->GetCaption();
        Ds->DisableControls();
        for (Ds->First(); !Ds->Eof(); Ds->Next()) {
            QStringList row;
            for (int c = 0; c < cols->Count(); ++c)
                row << cols->GetItems(c)->GetField()->GetDisplayText();
            rows.push_back(row);
        }
        Ds->First();
        Ds->EnableControls();
    }
    int rowCount(const QModelIndex& P) const override { return P.isValid() ? 0 : int(rows.size()); }
    int columnCount(const QModelIndex& P) const override { return P.isValid() ? 0 : titles.size(); }
    QVariant data(const QModelIndex& I, int Role) const override {
        if (Role != Qt::DisplayRole) return QVariant();
        return rows[size_t(I.row())][I.column()];
    }
    QVariant headerData(int Section, Qt::Orientation O, int Role) const override {
        if (Role != Qt::DisplayRole || O != Qt::Horizontal) return QVariant();
        return titles[Section];
    }

private:
    QStringList titles;
    std::vector<QStringList> rows;
};

struct TSetup {
    TSetup() {
        form = MakeCardList(Employees);
        form->SetBounds(0, 0, Width + 40, Height + 40);
        form->Grid->SetAlign(alNone);
        form->Grid->SetBorderStyle(bsNone);
        form->Grid->SetBounds(0, 0, Width, Height);
        form->Show();
        QApplication::processEvents();
        grid = form->Grid;
        model = std::make_unique<TTextModel>(grid, form->Employees);
        view = std::make_unique<QTableView>();
        view->setModel(model.get());
        view->setFont(grid->GetFont()->ToQFont());
        view->horizontalHeader()->setFont(grid->GetTitleFont()->ToQFont());
        view->verticalHeader()->setDefaultSectionSize(grid->GetDefaultRowHeight() + 1);
        view->verticalHeader()->setMinimumSectionSize(1);
        view->verticalHeader()->setFixedWidth(IndicatorWidthEh);
        view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        for (int c = 0; c < grid->GetColumns()->Count(); ++c)
            view->setColumnWidth(c, grid->GetColWidths(c + 1) + 1);
        view->resize(Width, Height);
        view->show();
        QApplication::processEvents();
    }
    ~TSetup() { delete form; }
    TCardListForm* form = nullptr;
    TDBGridEh* grid = nullptr;
    std::unique_ptr<TTextModel> model;
    std::unique_ptr<QTableView> view;
};

TSetup& setup() {
    static TSetup s;
    return s;
}

struct Totals {
    double grid = 0, gridCpu = 0;
    double table = 0, tableCpu = 0;
};

double seconds(std::chrono::steady_clock::time_point Start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

// Processor time of the whole process (all threads).
double processCpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// QTableView: a page down, the events handled, the view painted into the image.
double tablePages(QImage& Image) {
    QTableView* v = setup().view.get();
    QScrollBar* bar = v->verticalScrollBar();
    if (bar->value() + PagesPerIteration * bar->pageStep() >= bar->maximum()) bar->setValue(0);
    const auto start = std::chrono::steady_clock::now();
    for (int p = 0; p < PagesPerIteration; ++p) {
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QApplication::processEvents();
        v->render(&Image);
    }
    return seconds(start);
}

// The grid: the dataset a page on (as the grid's page-down does), the events handled, the
// grid painted into the image.
double gridPages(QImage& Image) {
    TSetup& s = setup();
    TMemDataSet* ds = s.form->Employees;
    const int page = s.grid->VisibleDataRowCount();
    if (ds->RecNo() + PagesPerIteration * page >= Employees) ds->First();
    const auto start = std::chrono::steady_clock::now();
    for (int p = 0; p < PagesPerIteration; ++p) {
        s.grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
        QApplication::processEvents();
        s.grid->GetHandle()->render(&Image);
    }
    return seconds(start);
}

void BM_QTableViewPages(benchmark::State& state) {
    state.SetLabel("baseline: QTableView over a table model");
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state)
        state.SetIterationTime(tablePages(image));
    state.counters["pages"] = PagesPerIteration;
}

void BM_GridPages(benchmark::State& state) {
    state.SetLabel("card list grid (target: x_qtableview <= 1.5)");
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    Totals totals;
    for (auto _ : state) {
        double cpu = processCpu();
        totals.table += tablePages(image);
        totals.tableCpu += processCpu() - cpu;
        cpu = processCpu();
        const double g = gridPages(image);
        totals.gridCpu += processCpu() - cpu;
        totals.grid += g;
        state.SetIterationTime(g);
    }
    state.counters["pages"] = PagesPerIteration;
    state.counters["rows_per_page"] = setup().grid->VisibleDataRowCount();
    state.counters["x_qtableview"] = totals.grid / totals.table;
    state.counters["x_qtableview_cpu"] = totals.gridCpu / totals.tableCpu;
}

} // namespace

BENCHMARK(BM_QTableViewPages)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_GridPages)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Application->Initialize();
    benchmark::Initialize(&argc, argv);
    setup();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
