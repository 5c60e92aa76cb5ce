// The RTF table export: the document header with its colour and font tables, one table row per
// grid row, and multi-line titles as several rows of cells without inner borders.
#include "CodePages.h"
#include "DBGridEhImpExp.h"
#include "ScopeGuard.h"

#include <QSet>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Text as RTF: backslash and braces escaped, Cyrillic as \'hh of Windows-1251, anything beyond
// that code page as \uN?, tabs and line breaks as their control words.
QString rtfEscaped(const QString& Text) {
    QString r;
    r.reserve(Text.size());
    for (qsizetype i = 0; i < Text.size(); ++i) {
        const QChar c = Text[i];
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'{' || u == u'}') {
            r += u'\\';
            r += c;
        } else if (u == u'\t') {
            r += QStringLiteral("\\tab ");
        } else if (u == u'\r' || u == u'\n') {
            if (u == u'\r' && i + 1 < Text.size() && Text[i + 1] == u'\n') ++i;
            r += QStringLiteral("\\line ");
        } else if (u < 0x20) {
            continue;
        } else if (u < 0x80) {
            r += c;
        } else if (CodePageHasChar(1251, c)) {
            r += QString::asprintf("\\'%02x", unsigned(uint8_t(CharToCodePage(c))));
        } else {
            r += QString::asprintf("\\u%d?", int(int16_t(u)));
        }
    }
    return r;
}

QString colorKey(TColor Color) {
    const int32_t rgb = ColorToRGB(Color);
    return QString::asprintf("%3d%3d%3d", rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

QString alignmentWord(TAlignment A) {
    switch (A) {
    case taRightJustify:
        return QStringLiteral("\\qr");
    case taCenter:
        return QStringLiteral("\\qc");
    default:
        return QStringLiteral("\\ql");
    }
}

QString cellKey(int Col, int Row) {
    return QString::asprintf("%3d%3d", Col, Row);
}

} // namespace

int TDBGridEhExportAsRTF::ColorIndex(TColor Color) {
    const QString key = colorKey(Color);
    int i = int(colorTable.indexOf(key));
    if (i < 0) {
        colorTable << key;
        i = int(colorTable.size()) - 1;
    }
    return i;
}

int TDBGridEhExportAsRTF::FontIndex(const QString& Name) {
    for (int i = 0; i < fontTable.size(); ++i)
        if (fontTable[i].compare(Name, Qt::CaseInsensitive) == 0) return i;
    fontTable << Name;
    return int(fontTable.size()) - 1;
}

void TDBGridEhExportAsRTF::WriteCellBorders(bool Left, bool Top, bool Right, bool Bottom) {
    const struct {
        bool on;
        const char* word;
    } sides[] = {
        {Left, "\\clbrdrl"}, {Top, "\\clbrdrt"}, {Bottom, "\\clbrdrb"}, {Right, "\\clbrdrr"}};
    for (const auto& s : sides) {
        if (!s.on) continue;
        WriteText(QString::fromLatin1(s.word));
        WriteText(QStringLiteral("\\brdrs"));
        WriteLine(QStringLiteral("\\brdrcf0"));
    }
}

void TDBGridEhExportAsRTF::WriteFormattedText(TFont* Font, const QString& Text, TColor Background) {
    QString s = QStringLiteral("\\fs%1").arg(Font->GetSize() * 2);
    const TFontStyles st = Font->GetStyle();
    if (st.Contains(fsBold)) s += QStringLiteral("\\b");
    if (st.Contains(fsItalic)) s += QStringLiteral("\\i");
    if (st.Contains(fsStrikeOut)) s += QStringLiteral("\\strike");
    if (st.Contains(fsUnderline)) s += QStringLiteral("\\ul");
    s += QStringLiteral("\\f%1\\cf%2\\cb%3 ")
             .arg(FontIndex(Font->GetName()))
             .arg(ColorIndex(Font->GetColor()))
             .arg(ColorIndex(Background));
    WriteText(s);
    WriteText(rtfEscaped(Text));
}

int TDBGridEhExportAsRTF::ColumnTwips(TColumnEh* Column) const {
    return int(std::trunc(double(Column->GetWidth()) / ppi * 1440.0));
}

QString TDBGridEhExportAsRTF::paragraphSpacing() const {
    return DBGridEh->GetFlat() ? QStringLiteral("12") : QStringLiteral("24");
}

void TDBGridEhExportAsRTF::ExportToStream(TStream* AStream, bool IsExportAll) {
    body = std::make_unique<TMemoryStream>();
    colorTable.clear();
    fontTable.clear();
    ColorIndex(clBlack);
    ColorIndex(clWhite);
    ColorIndex(clBtnFace);
    ppi = DBGridEh->GetFont()->GetPixelsPerInch();
    if (ppi <= 0) ppi = 96;
    TScopeGuard drop([this] { body.reset(); });
    TDBGridEhExport::ExportToStream(body.get(), IsExportAll);
    // nothing exported: no document at all rather than one without its end
    if (body->GetSize() > 0) {
        Stream = AStream;
        WriteLine(QStringLiteral("{\\rtf1\\ansi\\ansicpg1251\\deff0"));
        QString colors = QStringLiteral("{\\colortbl");
        for (const QString& key : std::as_const(colorTable))
            colors +=
                QStringLiteral("\\red%1\\green%2\\blue%3;")
                    .arg(key.mid(0, 3).trimmed(), key.mid(3, 3).trimmed(), key.mid(6, 3).trimmed());
        WriteLine(colors + u'}');
        QString fonts = QStringLiteral("{\\fonttbl");
        for (int i = 0; i < fontTable.size(); ++i)
            fonts += QStringLiteral("{\\f%1\\fnil\\fcharset204 %2;}")
                         .arg(i)
                         .arg(rtfEscaped(fontTable[i]));
        WriteLine(fonts + u'}');
        WriteBytes(body->GetBytes());
    }
    drop.End();
}

void TDBGridEhExportAsRTF::WriteSuffix() {
    WriteText(QStringLiteral("}"));
}

void TDBGridEhExportAsRTF::WriteRecord(TColumnsEhList* Columns) {
    WriteText(QStringLiteral("\\trowd"));
    WriteLine(QStringLiteral("\\trgaph40"));
    int x = 0;
    TFont font;
    for (int i = 0; i < Columns->Count(); ++i) {
        TColumnEh* c = Columns->GetColumn(i);
        WriteCellBorders(true, true, true, true);
        x += ColumnTwips(c);
        WriteText(
            QStringLiteral("\\clshdng10000\\clcfpat%1").arg(ColorIndex(CellParams(c, &font))));
        WriteLine(QStringLiteral("\\cellx%1").arg(x));
    }
    WriteLine(QStringLiteral("{\\trrh0"));
    TDBGridEhExport::WriteRecord(Columns);
    WriteLine(QStringLiteral("\\pard\\intbl\\row}"));
}

void TDBGridEhExportAsRTF::WriteFooter(TColumnsEhList* Columns, int FooterNo) {
    WriteText(QStringLiteral("\\trowd"));
    WriteLine(QStringLiteral("\\trgaph40"));
    int x = 0;
    TFont font;
    for (int i = 0; i < Columns->Count(); ++i) {
        TColumnEh* c = Columns->GetColumn(i);
        WriteCellBorders(true, true, true, true);
        x += ColumnTwips(c);
        TColor background = clWindow;
        TAlignment alignment = taLeftJustify;
        QString text;
        FooterParams(c, FooterNo, i, &font, background, alignment, text);
        WriteText(QStringLiteral("\\clshdng10000\\clcfpat%1").arg(ColorIndex(background)));
        WriteLine(QStringLiteral("\\cellx%1").arg(x));
    }
    WriteLine(QStringLiteral("{\\trrh0"));
    TDBGridEhExport::WriteFooter(Columns, FooterNo);
    WriteLine(QStringLiteral("\\pard\\intbl\\row}"));
}

void TDBGridEhExportAsRTF::WriteDataCell(TColumnEh* Column, TFont* AFont, TColor Background) {
    const QString s = paragraphSpacing();
    WriteText(QStringLiteral("\\pard\\intbl{") + alignmentWord(Column->GetAlignment()) +
              QStringLiteral("\\sb") + s + QStringLiteral("\\sa") + s);
    WriteFormattedText(AFont, Column->GetDisplayText(), Background);
    WriteLine(QStringLiteral("\\cell}"));
}

void TDBGridEhExportAsRTF::WriteFooterCell(int, int, TColumnEh*, TFont* AFont, TColor Background,
                                           TAlignment Alignment, const QString& Text) {
    const QString s = paragraphSpacing();
    WriteText(QStringLiteral("\\pard\\intbl{") + alignmentWord(Alignment) + QStringLiteral("\\sb") +
              s + QStringLiteral("\\sa") + s);
    WriteFormattedText(AFont, Text, Background);
    WriteLine(QStringLiteral("\\cell}"));
}

void TDBGridEhExportAsRTF::WriteTitle(TColumnsEhList* Columns) {
    if (DBGridEh->GetUseMultiTitle() && DBGridEh->GetTitleTree()) {
        writeMultiTitle(Columns);
        return;
    }
    WriteText(QStringLiteral("\\trowd"));
    WriteLine(QStringLiteral("\\trgaph40"));
    int x = 0;
    for (int i = 0; i < Columns->Count(); ++i) {
        TColumnEh* c = Columns->GetColumn(i);
        WriteCellBorders(true, true, true, true);
        x += ColumnTwips(c);
        WriteText(
            QStringLiteral("\\clshdng10000\\clcfpat%1").arg(ColorIndex(c->GetTitle()->GetColor())));
        WriteLine(QStringLiteral("\\cellx%1").arg(x));
    }
    WriteLine(QStringLiteral("{\\trrh0"));
    const QString s = paragraphSpacing();
    for (int i = 0; i < Columns->Count(); ++i) {
        TColumnTitleEh* t = Columns->GetColumn(i)->GetTitle();
        WriteText(QStringLiteral("\\pard\\intbl{") + alignmentWord(t->GetAlignment()) +
                  QStringLiteral("\\sb") + s + QStringLiteral("\\sa") + s);
        WriteFormattedText(t->GetFont(), t->GetCaption(), t->GetColor());
        WriteLine(QStringLiteral("\\cell}"));
    }
    WriteLine(QStringLiteral("\\pard\\intbl\\row}"));
}

// The title tree as rows: row 0 the columns' own cells, each higher row one title level up. A
// cell shared by several columns or levels is written in its top left position, the cells it
// covers empty and without the borders between them.
void TDBGridEhExportAsRTF::writeMultiTitle(TColumnsEhList* Columns) {
    const int n = Columns->Count();
    THeadTreeNode* root = DBGridEh->GetTitleTree();
    std::vector<THeadTreeNode*> node(size_t(n), nullptr);
    std::vector<int> height(size_t(n), 0);
    for (int i = 0; i < n; ++i) {
        node[size_t(i)] = DBGridEh->GetColumnLeaf(Columns->GetColumn(i)->GetIndex());
        height[size_t(i)] = node[size_t(i)] ? node[size_t(i)]->Height : 0;
    }
    auto hasHost = [&](THeadTreeNode* Node) { return Node && Node->Host && Node != root; };
    std::vector<std::vector<THeadTreeNode*>> rows;
    for (;;) {
        int h = 0;
        bool any = false;
        for (int i = 0; i < n; ++i)
            if (!any || height[size_t(i)] < h) {
                h = height[size_t(i)];
                any = true;
            }
        std::vector<THeadTreeNode*> row = node;
        bool moved = false;
        for (int i = 0; i < n; ++i)
            if (height[size_t(i)] == h && hasHost(node[size_t(i)])) {
                node[size_t(i)] = node[size_t(i)]->Host;
                height[size_t(i)] += node[size_t(i)]->Height;
                moved = true;
            }
        if (!moved || n == 0) break;
        rows.push_back(std::move(row));
    }
    if (rows.empty()) return;

    const int ppiValue = ppi;
    const QString m = QString::number(std::abs(
        int(std::trunc(double(DBGridEh->GetVTitleMargin()) / 2 / ppiValue * 1440.0 - 20))));
    QSet<QString> noLeft, noTop, noRight, noBottom;
    const int count = int(rows.size());
    for (int r = count - 1; r >= 0; --r) {
        WriteText(QStringLiteral("\\trowd"));
        WriteLine(QStringLiteral("\\trgaph40"));
        int x = 0;
        for (int c = 0; c < n; ++c) {
            THeadTreeNode* here = rows[size_t(r)][size_t(c)];
            int v = 1, w = 1;
            if (here) {
                while (r - v >= 0 && rows[size_t(r - v)][size_t(c)] == here)
                    ++v;
                while (c + w < n && rows[size_t(r)][size_t(c + w)] == here)
                    ++w;
                for (int y = r; y > r - v; --y)
                    for (int xx = c; xx < c + w; ++xx)
                        if (y != r || xx != c) rows[size_t(y)][size_t(xx)] = nullptr;
            }
            for (int y = r; y > r - v; --y)
                for (int xx = c; xx < c + w; ++xx) {
                    const QString key = cellKey(xx, y);
                    if (xx != c) noLeft.insert(key);
                    if (xx != c + w - 1) noRight.insert(key);
                    if (y != r) noTop.insert(key);
                    if (y != r - v + 1) noBottom.insert(key);
                }
            const QString key = cellKey(c, r);
            WriteCellBorders(!noLeft.contains(key), !noTop.contains(key), !noRight.contains(key),
                             !noBottom.contains(key));
            TColumnEh* col = Columns->GetColumn(c);
            x += ColumnTwips(col);
            const TColor color = r >= 1 ? DBGridEh->GetFixedColor() : col->GetTitle()->GetColor();
            WriteText(QStringLiteral("\\clshdng10000\\clcfpat%1").arg(ColorIndex(color)));
            WriteLine(QStringLiteral("\\cellx%1").arg(x));
        }
        WriteLine(QStringLiteral("{\\trrh0"));
        for (int c = 0; c < n; ++c) {
            THeadTreeNode* here = rows[size_t(r)][size_t(c)];
            TColumnEh* col = Columns->GetColumn(c);
            QString text;
            if (here) {
                WriteText(QStringLiteral("\\pard\\intbl{\\qc\\sb") + m + QStringLiteral("\\sa") +
                          m);
                text = here->Text;
            } else {
                WriteText(QStringLiteral("\\pard\\intbl{\\qc"));
            }
            if (r >= 1)
                WriteFormattedText(DBGridEh->GetTitleFont(), text, DBGridEh->GetFixedColor());
            else
                WriteFormattedText(col->GetTitle()->GetFont(), text, col->GetTitle()->GetColor());
            WriteLine(QStringLiteral("\\cell}"));
        }
        WriteLine(QStringLiteral("\\pard\\intbl\\row}"));
    }
}
