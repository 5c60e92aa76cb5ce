// The text view: wrapping with hyphenation, measuring, drawing and printing into a page.
#include "FR_Class.h"

#include "DB.h"
#include "ScopeGuard.h"

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

// Ends every output line that ends a paragraph; its presence marks a text as wrapped already.
constexpr QChar ParagraphMark = QChar(1);

bool hasMark(const QString& s) {
    return !s.isEmpty() && s.back() == ParagraphMark;
}

// Font sizes a damaged file may hold are kept within what can be drawn.
int drawableSize(int points) {
    return std::clamp(points, 1, 1000);
}

// Pixels of a font size at 96 pixels per inch and a scale: rounded at scale 1, truncated
// otherwise.
int screenPixels(int points, double scale) {
    const double h = drawableSize(points) * 96.0 / 72.0 * scale;
    const double px = scale == 1.0 ? std::nearbyint(h) : std::trunc(h);
    return int(std::clamp(px, 1.0, 20000.0));
}

bool isSeparator(QChar c) {
    return c == u' ' || c == u',' || c == u'-' || c == u'.' || c == u'\r' || c == u'\n';
}

// Upper-case vowels and sign letters of the hyphenation rules: the Russian ones, and the
// Ukrainian vowels and the apostrophe, as the reports are Ukrainian.
bool isVowel(QChar c) {
    static const QString vowels = u"АЕЁИОУЫЭЮЯІЇЄ"_s;
    return vowels.contains(c);
}

bool isSign(QChar c) {
    static const QString signs = u"ЪЬ'’ʼ"_s;
    return signs.contains(c);
}

void copyLines(TStrings* to, TStrings* from) {
    to->Clear();
    to->AddStrings(from);
}

} // namespace

QList<int> frBreakWord(const QString& Word) {
    const QString s = AnsiUpperCase(Word);
    QList<int> points;
    const int n = int(s.size());
    if (n < 4) return points;
    // A break after the i-th character (1-based) looks at characters i, i + 1 and i + 2.
    for (int i = 2; i <= n - 2; ++i) {
        const QChar c1 = s[i - 1], c2 = s[i], c3 = s[i + 1];
        const bool v1 = isVowel(c1), v2 = isVowel(c2), v3 = isVowel(c3);
        if ((v1 && v2) || (v3 && ((v1 && !v2) || (!v1 && !v2 && !isSign(c2))))) points << i;
    }
    return points;
}

// ---- fonts and highlight ---------------------------------------------------------------

void TfrMemoView::assignFont(TCanvas* ACanvas) {
    TFont* f = ACanvas->GetFont();
    f->SetName(Font.Name);
    f->SetStyle(TFontStyles::FromMask(uint64_t(Font.Style) & 0xF));
    f->SetColor(Font.Color);
    f->SetCharset(TFontCharset(Font.Charset));
    f->SetOrientation((Alignment & frtaVertical) ? 900 : 0);
    if (IsPrinting)
        f->SetSize(drawableSize(Font.Size));
    else
        f->SetHeight(-screenPixels(Font.Size, std::isfinite(ScaleY) && ScaleY > 0 ? ScaleY : 1));
    ACanvas->SetBkMode(TRANSPARENT);
}

bool TfrMemoView::highlightHolds() {
    if (Trim(HighlightCondition).isEmpty()) return false;
    TfrGlobals& g = frGlobals();
    if (HighlightCondition != highlightSource) {
        highlightPostfix = g.frParser.ToPostfix(HighlightCondition);
        highlightSource = HighlightCondition;
    }
    TfrActiveViewScope scope(this);
    const Variant v = g.frParser.CalcPostfix(highlightPostfix);
    if (v.IsEmpty() || v.IsNull()) return false;
    if (VarIsNumeric(v) || VarType(v) == varBoolean) return v.AsDouble() != 0;
    const QString t = VarToStr(v);
    return !t.isEmpty() && t != u"0"_s;
}

TfrMemoView::SavedLook TfrMemoView::applyHighlight() {
    SavedLook look{Font, FillColor};
    if (highlightHolds()) {
        Font.Style = frStyleFromStream(Highlight.FontStyle);
        Font.Color = Highlight.FontColor;
        FillColor = Highlight.FillColor;
    }
    return look;
}

void TfrMemoView::restoreLook(const SavedLook& Look) {
    Font = Look.Font;
    FillColor = Look.FillColor;
}

// ---- wrapping --------------------------------------------------------------------------

void TfrMemoView::outputLine(const QString& Line, int& PosY) {
    frGlobals().WrappedLines.Add(Line);
    PosY = frClampCoord(int64_t(PosY) + LineHeight);
}

void TfrMemoView::wrapLine(const QString& s, int MaxWidth, int& PosY) {
    TCanvas* c = frMeasureCanvas();
    const int n = int(s.size());
    const bool breaks = s.contains(u'\r') || s.contains(u'\n');
    if (!breaks && (n < 2 || c->TextWidth(s) <= MaxWidth)) {
        outputLine(s + ParagraphMark, PosY);
        return;
    }
    const bool wordBreak = (Flags & flWordBreak) != 0;
    TStringList& out = frGlobals().WrappedLines;
    int start = 0;  // first character of the line being built
    int space = -1; // the last space of that line, -1 before the first
    int i = 0;
    while (i < n) {
        const QChar ch = s[i];
        if (ch == u'\r' || ch == u'\n') {
            outputLine(s.mid(start, i - start) + ParagraphMark, PosY);
            while (i < n && (s[i] == u'\r' || s[i] == u'\n'))
                ++i;
            start = i;
            space = -1;
            if (i >= n) return; // a text that ends in line breaks ends there
            continue;
        }
        if (ch == u' ') {
            space = i++;
            continue;
        }
        if (c->TextWidth(s.mid(start, i + 1 - start)) <= MaxWidth) {
            ++i;
            continue;
        }
        // The character at i no longer fits.
        if (wordBreak) {
            const int wordStart = space > start ? space + 1 : start;
            int wordEnd = wordStart;
            while (wordEnd < n && !isSeparator(s[wordEnd]))
                ++wordEnd;
            int best = -1;
            for (int p : frBreakWord(s.mid(wordStart, wordEnd - wordStart)))
                if (c->TextWidth(s.mid(start, wordStart + p - start) + u'-') <= MaxWidth) best = p;
            if (best > 0) {
                outputLine(s.mid(start, wordStart + best - start) + u'-', PosY);
                i = start = wordStart + best;
                space = -1;
                continue;
            }
        }
        if (space > start) {
            // Break at the last space, which is dropped.
            outputLine(s.mid(start, space - start), PosY);
            i = start = space + 1;
            space = -1;
            continue;
        }
        // No space on the line: the word is cut at the character that no longer fits, which
        // starts the next line; a line holds at least one character.
        const int cut = i > start ? i : i + 1;
        outputLine(s.mid(start, cut - start), PosY);
        i = start = cut;
        space = -1;
    }
    if (start < n)
        outputLine(s.mid(start) + ParagraphMark, PosY);
    else if (out.Count() > 0 && !hasMark(out[out.Count() - 1]))
        out.Put(out.Count() - 1, out[out.Count() - 1] + ParagraphMark);
}

void TfrMemoView::WrapMemo() {
    TfrGlobals& g = frGlobals();
    TCanvas* c = frMeasureCanvas();
    TFont* f = c->GetFont();
    f->SetName(Font.Name);
    f->SetStyle(TFontStyles::FromMask(uint64_t(Font.Style) & 0xF));
    f->SetCharset(TFontCharset(Font.Charset));
    f->SetHeight(-screenPixels(Font.Size, 1));
    const bool vertical = (Alignment & frtaVertical) != 0;
    f->SetOrientation(vertical ? 900 : 0);
    c->SetTextCharacterExtra(std::clamp(CharSpacing, -1000, 1000));
    g.WrappedLines.Clear();
    LineHeight = frClampCoord(int64_t(LineSpacing) - f->GetHeight());
    const int gap = vertical ? GapX : GapY;
    const int start =
        vertical ? frClampCoord(int64_t(Left) + GapX) : frClampCoord(int64_t(Top) + GapY);
    const int maxWidth = vertical ? frClampCoord(int64_t(Height) - 2 * int64_t(GapY))
                                  : frClampCoord(int64_t(Width) - 2 * int64_t(GapX));
    int posY = start;
    if (!vertical && !g.ReportRunning && Memo1.Count() == 1 && Memo1[0].startsWith(u'[') &&
        c->TextWidth(Memo1[0]) > maxWidth) {
        outputLine(Memo1[0], posY);
    } else {
        for (int i = 0; i < Memo1.Count(); ++i) {
            const QString line = Memo1[i];
            if (NoWrap)
                outputLine(line, posY);
            else if (Flags & flWordWrap)
                wrapLine(line, maxWidth, posY);
            else
                outputLine(vertical ? line : line + ParagraphMark, posY);
        }
    }
    g.WrappedTextHeight = frClampCoord(int64_t(posY) - start + 2 * int64_t(gap));
    c->SetTextCharacterExtra(0);
}

// ---- measuring -------------------------------------------------------------------------

int TfrMemoView::CalcWidth() {
    TCanvas* c = Canvas ? Canvas : frMeasureCanvas();
    assignFont(c);
    c->GetFont()->SetOrientation(0);
    const int extra = c->SetTextCharacterExtra(frRoundCoord(CharSpacing * ScaleX));
    QString text = Memo1.GetText();
    text.remove(ParagraphMark);
    if (text.endsWith(u"\r\n"_s)) text.chop(2);
    TRect r{0, 0, 0, 0};
    c->DrawText(text, r, DT_CALCRECT);
    c->SetTextCharacterExtra(extra);
    const double scale = std::isfinite(ScaleX) && ScaleX > 0 ? ScaleX : 1;
    return frRoundCoord(r.Width() / scale + FrameWidth + 2.0 * GapX + 1);
}

int TfrMemoView::MeasureHeight() {
    TfrGlobals& g = frGlobals();
    DrawMode = 1;
    TfrActiveViewScope scope(this);
    BeginDraw(frMeasureCanvas());
    RunScript();
    if (!Visible) return 0;
    copyLines(&Memo1, &Memo);
    const QString given = Memo1.GetText();
    if (TfrReport* r = g.ActiveReport; r && r->OnBeforePrint) r->OnBeforePrint(&Memo1, this);
    if (Memo1.GetText() == given) ExpandMemo();
    const SavedLook look = applyHighlight();
    int result = 0;
    if (Memo1.Count() > 0) {
        NoWrap = Memo1.GetText().contains(ParagraphMark);
        WrapMemo();
        copyLines(&Memo1, &g.WrappedLines);
        result = g.WrappedTextHeight;
        if ((Flags & flSuppressRepeated) && Memo1.GetText() == LastValue) result = 0;
    }
    restoreLook(look);
    return result;
}

int TfrMemoView::MinimumHeight() {
    LineHeight = frClampCoord(int64_t(LineSpacing) + screenPixels(Font.Size, 1));
    return frClampCoord(int64_t(frRoundCoord(2.0 * FrameWidth)) + 2 * int64_t(GapY) + LineHeight);
}

int TfrMemoView::RemainderHeight() {
    LineHeight = frClampCoord(int64_t(LineSpacing) + screenPixels(Font.Size, 1));
    const int64_t frame = frRoundCoord(2.0 * FrameWidth);
    const int64_t rest = int64_t(Height) - frame - 2 * int64_t(GapY);
    const int64_t part = LineHeight > 0 ? rest % LineHeight : 0;
    return frClampCoord(part + 2 * int64_t(GapY) + frame);
}

// ---- drawing ---------------------------------------------------------------------------

void TfrMemoView::drawUnderlines() {
    TCanvas* c = Canvas;
    assignFont(c);
    const int fontH = -c->GetFont()->GetHeight();
    const int pitch = frClampCoord(int64_t(frRoundCoord(LineSpacing * ScaleY)) + fontH);
    const int first = frClampCoord(int64_t(frRoundCoord(2 * ScaleY)) + fontH);
    if (pitch <= 0) return;
    TPen* pen = c->GetPen();
    pen->SetColor(FrameColor);
    pen->SetWidth(std::clamp(frRoundCoord(FrameWidth), 1, 1000));
    pen->SetStyle(psSolid);
    pen->SetMode(pmCopy);
    // Only the lines that can be seen are drawn.
    const TRect box = c->GetClipRect();
    const int64_t base = int64_t(Top) + GapY + first;
    const int count = Height / pitch;
    int64_t k = std::max<int64_t>(0, (int64_t(box.Top) - base) / pitch - 1);
    for (; k < count; ++k) {
        const int64_t y = base + k * pitch;
        if (y >= box.Bottom + 1000) break;
        c->MoveTo(Left, int(y));
        c->LineTo(frClampCoord(int64_t(Left) + Width - 1), int(y));
    }
}

void TfrMemoView::ShowMemo() {
    TfrGlobals& g = frGlobals();
    TCanvas* c = Canvas;
    if (!c) return;
    assignFont(c);
    c->SetTextCharacterExtra(std::clamp(frRoundCoord(CharSpacing * ScaleX), -1000, 1000));
    const TRect clip{DrawRect.Left + 1, DrawRect.Top, DrawRect.Right - 2, DrawRect.Bottom - 1};
    const double sy = std::isfinite(ScaleY) ? ScaleY : 1;
    const int textHeight = frRoundCoord(g.WrappedTextHeight * sy);
    const int fontH = -c->GetFont()->GetHeight();
    const int lineHeight = c->TextHeight(QString());
    const int pitch = frClampCoord(int64_t(fontH) + frRoundCoord(LineSpacing * sy));
    const bool vertical = (Alignment & frtaVertical) != 0;
    const int align = Alignment & 3;
    const int drawWidth = Width, drawHeight = Height;
    int top = Top, left = Left;
    if (!ClipLines) {
        if (!vertical) {
            if (Alignment & frtaMiddle)
                top = frClampCoord(int64_t(Top) + (int64_t(drawHeight) - textHeight) / 2);
            else if (Alignment & frtaDown)
                top = frClampCoord(int64_t(DrawRect.Bottom) - textHeight - 1);
        } else {
            if (Alignment & frtaMiddle)
                left = frClampCoord(int64_t(Left) + (int64_t(drawWidth) - textHeight) / 2);
            else if (Alignment & frtaDown)
                left = frClampCoord(int64_t(DrawRect.Right) - textHeight);
        }
    }
    const int rtl = (Flags & flRTLReading) ? ETO_RTLREADING : 0;
    const int charExtra = c->GetTextCharacterExtra();
    PrintedLines = 0;
    int pos = vertical ? frClampCoord(int64_t(left) + GapX) : frClampCoord(int64_t(top) + GapY);
    const int lineEnd = vertical ? clip.Right : clip.Bottom;
    for (int i = 0; i < Memo1.Count(); ++i) {
        if (ClipLines && int64_t(pos) + fontH > lineEnd) break;
        // Lines past the far edge cannot be seen.
        if (!ClipLines && pitch > 0 && pos > lineEnd) break;
        QString line = Memo1[i];
        const bool paragraphEnd = hasMark(line);
        if (paragraphEnd) line.chop(1);
        const int spaces = int(line.count(u' ') + line.count(QChar(0xA0)));
        const bool spread = align == 3 && !paragraphEnd && spaces > 0;
        const int tw = Exporting ? 0 : c->TextWidth(line);
        if (!Exporting && !vertical) {
            int x = 0;
            switch (align) {
            case frtaRight:
                x = frClampCoord(int64_t(Left) + drawWidth - 1 - GapX - tw);
                break;
            case frtaCenter:
                x = frClampCoord(int64_t(Left) + GapX + (int64_t(drawWidth) - 2 * GapX - tw) / 2);
                break;
            default:
                x = frClampCoord(int64_t(Left) + GapX);
                break;
            }
            const int64_t free = int64_t(drawWidth) - 2 * int64_t(GapX) - tw;
            if (spread && free > 0) {
                // The free width goes to the spaces, the first ones taking the remainder.
                std::vector<int> dx;
                dx.reserve(size_t(line.size()));
                int64_t left = free;
                int remaining = spaces;
                int before = 0; // advances from the widths of the line's beginnings, so that
                                // they add up to the width of the whole line
                for (qsizetype k = 0; k < line.size(); ++k) {
                    const QChar ch = line[k];
                    const int upTo = c->TextWidth(line.left(k + 1));
                    int adv = upTo - before;
                    before = upTo;
                    if (ch == u' ' || ch == QChar(0xA0)) {
                        const int64_t add = (left + remaining - 1) / remaining;
                        adv = frClampCoord(adv + add);
                        left -= add;
                        --remaining;
                    }
                    dx.push_back(adv);
                }
                c->ExtTextOut(x, pos, ETO_CLIPPED | rtl, &clip, line, &dx);
            } else {
                // A line wholly inside the frame needs no clipping, which on a printer or in
                // a PDF costs as much as the text itself.
                const bool inside = x >= clip.Left && int64_t(x) + tw <= clip.Right &&
                                    pos >= clip.Top && int64_t(pos) + lineHeight <= clip.Bottom;
                c->ExtTextOut(x, pos, (inside ? 0 : ETO_CLIPPED) | rtl, &clip, line);
            }
        } else if (!Exporting) {
            // Turned text runs upwards; its lines advance to the right.
            int y = 0;
            switch (align) {
            case frtaRight:
                y = frClampCoord(int64_t(Top) + GapY + tw);
                break;
            case frtaCenter:
                y = frClampCoord(int64_t(Top) + (int64_t(drawHeight) + tw) / 2);
                break;
            default:
                y = frClampCoord(int64_t(DrawRect.Bottom) - GapY);
                break;
            }
            const int64_t free = int64_t(drawHeight) - 2 * int64_t(GapY) - tw;
            if (spread && free > 0) {
                const QStringList words = line.split(u' ');
                int64_t left = free;
                int remaining = spaces;
                int64_t at = y;
                for (int w = 0; w < words.size(); ++w) {
                    c->ExtTextOut(pos, frClampCoord(at), ETO_CLIPPED | rtl, &clip, words[w]);
                    at -= c->TextWidth(words[w]) + c->TextWidth(u" "_s) + charExtra;
                    if (remaining > 0) {
                        const int64_t add = (left + remaining - 1) / remaining;
                        at -= add;
                        left -= add;
                        --remaining;
                    }
                }
            } else {
                c->ExtTextOut(pos, y, ETO_CLIPPED | rtl, &clip, line);
            }
        }
        ++PrintedLines;
        pos = frClampCoord(int64_t(pos) + pitch);
    }
}

void TfrMemoView::Draw(TCanvas* ACanvas) {
    if (!ACanvas) return;
    TfrGlobals& g = frGlobals();
    BeginDraw(ACanvas);
    copyLines(&Memo1, &Memo);
    const bool autoWidth = (Flags & flAutoSize) && g.ReportRunning && Memo1.Count() > 0;
    if (autoWidth) {
        const int w = CalcWidth();
        if (Alignment & frtaVertical) {
            Height = w;
        } else {
            if (Alignment & frtaRight) Left = frClampCoord(int64_t(Left) + Width - w);
            Width = w;
        }
    }
    ClipLines = false;
    if (Memo1.Count() > 0) {
        NoWrap = Memo1.GetText().contains(ParagraphMark);
        if (Memo1[Memo1.Count() - 1] == QString(ParagraphMark)) Memo1.Delete(Memo1.Count() - 1);
        const double sx = ScaleX, sy = ScaleY;
        ScaleX = ScaleY = 1;
        const int width = Width;
        if (autoWidth) Width = frClampCoord(int64_t(Width) + 100);
        ComputeDrawRect();
        WrapMemo();
        RestoreGeometry();
        Width = width;
        ScaleX = sx;
        ScaleY = sy;
        copyLines(&Memo1, &g.WrappedLines);
    }
    ComputeDrawRect();
    if (!Exporting) {
        DrawFill();
        DrawFrame();
        if ((Flags & flUnderlines) && !g.FirstPassRunning) drawUnderlines();
    }
    if (Memo1.Count() > 0) ShowMemo();
    Canvas->SetTextCharacterExtra(0);
    RestoreGeometry();
}

// ---- printing into a page --------------------------------------------------------------

void TfrMemoView::GetBlob(TField* Field) {
    Memo1.SetText(Field && !Field->IsNull() ? Field->GetAsString() : QString());
}

void TfrMemoView::Print(TStream* Stream) {
    TfrGlobals& g = frGlobals();
    TfrActiveViewScope scope(this);
    BeginDraw(frMeasureCanvas());
    ClipLines = true;
    if (DrawMode == 0) {
        copyLines(&Memo1, &Memo);
        bool given = false;
        if (TField* f = boundBlobField()) {
            GetBlob(f);
            given = true;
        }
        if (TfrReport* r = g.ActiveReport; r && r->OnBeforePrint) {
            const QString before = Memo1.GetText();
            r->OnBeforePrint(&Memo1, this);
            given = given || Memo1.GetText() != before;
        }
        RunScript();
        if (!given) ExpandMemo();
    }
    if (Visible) {
        const SavedLook look = applyHighlight();
        const QString tag = Tag;
        const int align = BandAlign;
        const int format = Format;
        const QString formatStr = FormatStr;
        auto restore = [&] {
            restoreLook(look);
            Tag = tag;
            BandAlign = align;
            Format = format;
            FormatStr = formatStr;
        };
        TScopeGuard restoring([&] {
            restore();
            DrawMode = 0;
        });
        if (DrawMode == 2) {
            // How many of the remaining lines fit: drawn where nobody sees them.
            copyLines(&g.WrappedLines, &Memo1);
            ComputeDrawRect();
            ShowMemo();
            RestoreGeometry();
            while (Memo1.Count() > PrintedLines)
                Memo1.Delete(Memo1.Count() - 1);
            bool marked = false;
            for (int i = 0; i < Memo1.Count() && !marked; ++i)
                marked = hasMark(Memo1[i]);
            if (!marked) Memo1.Add(QString(ParagraphMark));
        }
        if (Tag.contains(u'[')) {
            Format = 0;
            FormatStr.clear();
            if (TfrReport* r = g.ActiveReport) r->ExpandTag(Tag);
            Format = format;
            FormatStr = formatStr;
        }
        alignToActiveBand();
        if (Flags & flSuppressRepeated) {
            const QString text = Memo1.GetText();
            if (text != LastValue) {
                WritePrepared(Stream);
                LastValue = text;
            }
        } else {
            WritePrepared(Stream);
        }
        if (DrawMode == 2) {
            for (int i = 0; i < PrintedLines && g.WrappedLines.Count() > 0; ++i)
                g.WrappedLines.Delete(0);
            copyLines(&Memo1, &g.WrappedLines);
        }
        restoring.End();
    }
    DrawMode = 0;
}
