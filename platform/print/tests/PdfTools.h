// Independent checks of PDF files with poppler's command-line readers.
#pragma once

#include "TestSupport.h"

#include <QImage>
#include <QRect>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <vector>

namespace pdftools {

// Standard output of a reader (empty when it fails).
inline QString run(const QString& Program, const QStringList& Args) {
    TProgramRun r = RunProgram(Program, Args);
    return r.Succeeded() ? QString::fromUtf8(r.Out) : QString();
}

// The size of every page in points, as pdfinfo reports it.
inline std::vector<QSizeF> pageSizes(const QString& File, int Pages) {
    QString out = run(QStringLiteral("/usr/bin/pdfinfo"),
                      {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                       QString::number(Pages), File});
    std::vector<QSizeF> sizes;
    static const QRegularExpression re(
        QStringLiteral(R"(Page\s+\d+\s+size:\s+([\d.]+)\s+x\s+([\d.]+)\s+pts)"));
    for (auto it = re.globalMatch(out); it.hasNext();) {
        auto m = it.next();
        sizes.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return sizes;
}

// One "Key: value" line of pdfinfo.
inline QString info(const QString& File, const QString& Key) {
    QString out = run(QStringLiteral("/usr/bin/pdfinfo"), {File});
    for (const QString& line : out.split(QLatin1Char('\n')))
        if (line.startsWith(Key + QLatin1Char(':'))) return line.mid(Key.size() + 1).trimmed();
    return QString();
}

inline QString text(const QString& File) {
    return run(QStringLiteral("/usr/bin/pdftotext"), {File, QStringLiteral("-")});
}

// Renders the Width x Height pixels at (X, Y) of a page at 254 dpi (one pixel = 0.1 mm) in grey
// and returns the bounding box of the dark pixels in page pixels (null when none).
inline QRect darkBox(const QString& File, int Page, int X, int Y, int Width, int Height,
                     const QString& Prefix) {
    QString n = QString::number(Page);
    run(QStringLiteral("/usr/bin/pdftoppm"),
        {QStringLiteral("-f"), n, QStringLiteral("-l"), n, QStringLiteral("-r"),
         QStringLiteral("254"), QStringLiteral("-gray"), QStringLiteral("-x"), QString::number(X),
         QStringLiteral("-y"), QString::number(Y), QStringLiteral("-W"), QString::number(Width),
         QStringLiteral("-H"), QString::number(Height), QStringLiteral("-singlefile"), File,
         Prefix});
    QImage img(Prefix + QStringLiteral(".pgm"));
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128) box = box.united(QRect(X + x, Y + y, 1, 1));
    return box;
}

} // namespace pdftools
