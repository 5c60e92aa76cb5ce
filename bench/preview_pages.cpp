// Turning the pages of a 250-page prepared report in the preview: every page a list of 40
// generated employees in framed cells under a title, as the staff lists print. Each turn makes
// the next page current (the view scrolls to it) and paints the page area, whole page zoom, into
// an image of the view's size. Baseline in the same run: QPainter drawing the same texts and
// frames at the same scale straight into an image of the same size. Target: under 16 ms a page;
// ms_per_page is ours, x_qpainter ours over the baseline.
#include "EmployeeGen.h"
#include "FR_Class.h"
#include "FR_View.h"
#include "Printers.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

constexpr int Pages = 250;
constexpr int RowsPerPage = 40;
constexpr int Width = 1000, Height = 800;

struct TCell {
    QRect Rect;
    QString Text;
    int Size;
    bool Frame;
};

struct TSetup {
    TSetup() {
        SetPrintQueueSource([] { return std::vector<TPrintQueue>(); });
        frStartEngine();
        report = std::make_unique<TfrReport>(nullptr);
        report->MakeCurrent();
        report->Pages.Add();
        page = report->Pages[0];
        frGlobalPrinter()->SelectPrinter(frGlobalPrinter()->VirtualIndex);
        page->ChangePaper(DMPAPER_A4, 0, 0, poPortrait, -1);
        TEmployeeGenerator gen(7);
        const std::vector<TGenEmployee> staff = gen.Employees(Pages * RowsPerPage);
        for (int n = 0; n < Pages; ++n) {
            report->EMFPages.Add(page);
            std::vector<TCell> cells;
            cells.push_back({QRect(40, 40, 678, 30),
                             QStringLiteral("СПИСОК ПРАЦІВНИКІВ, аркуш %1").arg(n + 1), 14, false});
            for (int r = 0; r < RowsPerPage; ++r) {
                const TGenEmployee& e = staff[size_t(n * RowsPerPage + r)];
                const int y = 90 + 24 * r;
                cells.push_back({QRect(40, y, 60, 24), e.Tab, 10, true});
                cells.push_back({QRect(100, y, 400, 24),
                                 e.Family + u' ' + e.Name + u' ' + e.Patronymic, 10, true});
                cells.push_back({QRect(500, y, 218, 24), e.Family.left(1), 10, true});
            }
            TStream* s = report->EMFPages[n]->Stream.get();
            for (const TCell& c : cells) {
                auto* m = static_cast<TfrMemoView*>(frCreateObject(gtMemo, QString()));
                m->ParentPage = page;
                page->Objects.Add(m);
                m->SetBounds(c.Rect.x(), c.Rect.y(), c.Rect.width(), c.Rect.height());
                m->Memo.SetText(c.Text);
                m->Font.Name = QStringLiteral("Arial");
                m->Font.Size = c.Size;
                if (c.Frame) m->FrameTyp = 15;
                m->Print(s);
            }
            page->Clear();
            content.push_back(std::move(cells));
        }
        frLastZoom() = {1.0, 2};
        preview = std::make_unique<TfrPreviewForm>(nullptr);
        preview->SetBounds(0, 0, Width + 17, Height + 17 + 30);
        preview->Connect(report.get());
        preview->PBox->SetBounds(0, 0, Width, Height);
        preview->Layout();
    }
    ~TSetup() {
        preview.reset();
        report.reset();
        frStopEngine();
    }
    std::unique_ptr<TfrReport> report;
    TfrPage* page = nullptr;
    std::unique_ptr<TfrPreviewForm> preview;
    std::vector<std::vector<TCell>> content;
};

TSetup& setup() {
    static TSetup s;
    return s;
}

double seconds(std::chrono::steady_clock::time_point Start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

// Ours: every page made current and the page area painted.
double previewPages(TBitmap& Image) {
    TfrPreviewForm* f = setup().preview.get();
    const auto start = std::chrono::steady_clock::now();
    for (int n = 1; n <= Pages; ++n) {
        f->SetPage(n);
        f->PaintView(Image.GetCanvas(), Width, Height);
    }
    Image.GetImage(); // ends the painting
    return seconds(start);
}

// The baseline: the same cells drawn by QPainter at the preview's zoom, one page a frame.
double painterPages(QImage& Image) {
    TSetup& s = setup();
    const double zoom = s.preview->Zoom;
    const TRect pr = (*s.preview->Pages)[0]->pgRect;
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < Pages; ++n) {
        QPainter p(&Image);
        p.fillRect(Image.rect(), QColor(0xA7, 0xA7, 0xD4));
        const QRect page(pr.Left, 10, pr.Width(), pr.Height());
        p.fillRect(page, Qt::white);
        p.setPen(Qt::black);
        p.drawRect(page);
        p.translate(page.topLeft());
        p.scale(zoom, zoom);
        for (const TCell& c : s.content[size_t(n)]) {
            QFont font(QStringLiteral("Arial"));
            font.setPixelSize(c.Size * 96 / 72);
            p.setFont(font);
            if (c.Frame) p.drawRect(c.Rect);
            p.drawText(c.Rect.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignTop, c.Text);
        }
    }
    return seconds(start);
}

void BM_QPainterPages(benchmark::State& state) {
    state.SetLabel("baseline: QPainter drawing the same cells");
    QImage image(Width, Height, QImage::Format_RGB32);
    for (auto _ : state)
        state.SetIterationTime(painterPages(image));
    state.counters["pages"] = Pages;
}

void BM_PreviewPages(benchmark::State& state) {
    state.SetLabel("preview page turning (target: ms_per_page < 16)");
    TBitmap image(Width, Height);
    QImage baseline(Width, Height, QImage::Format_RGB32);
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        theirs += painterPages(baseline);
        const double t = previewPages(image);
        ours += t;
        state.SetIterationTime(t);
    }
    state.counters["pages"] = Pages;
    state.counters["ms_per_page"] = ours * 1000 / (double(state.iterations()) * Pages);
    state.counters["x_qpainter"] = ours / theirs;
}

} // namespace

BENCHMARK(BM_QPainterPages)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PreviewPages)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

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
