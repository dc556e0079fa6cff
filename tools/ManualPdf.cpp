// Writes the user manual as a PDF: `lsr_manual_pdf SOURCE.html OUT.pdf`. The HTML is
// laid out by QTextDocument on A4 pages (pictures resolved next to the source) and
// drawn page by page with a running footer.

#include "base/Platform.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTextFrame>
#include <QUrl>
#include <cstdio>

namespace {
/// Gives every <img> with a width but no height the height that keeps the picture's
/// proportions: the rich-text layout otherwise reserves the picture's full height.
QString WithImageHeights(const QString& html, const QString& folder) {
    static const QRegularExpression img(
        QStringLiteral("<img\\s+src=\"([^\"]+)\"\\s+width=\"(\\d+)\"\\s*>"));
    QString out;
    qsizetype last = 0;
    QRegularExpressionMatchIterator it = img.globalMatch(html);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += html.mid(last, m.capturedStart() - last);
        const QSize size = QImageReader(folder + QLatin1Char('/') + m.captured(1)).size();
        const int width = m.captured(2).toInt();
        if (size.isValid() && size.width() > 0) {
            const int height = int(qint64(width) * size.height() / size.width());
            out += QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%3\">")
                       .arg(m.captured(1))
                       .arg(width)
                       .arg(height);
        } else {
            std::fprintf(stderr, "missing picture %s\n", qPrintable(m.captured(1)));
            out += m.captured(0);
        }
        last = m.capturedEnd();
    }
    out += html.mid(last);
    return out;
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    InstallFontSubstitutions();
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SOURCE.html OUT.pdf\n", argv[0]);
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString target = QString::fromLocal8Bit(argv[2]);
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const QString html =
        WithImageHeights(QString::fromUtf8(in.readAll()), QFileInfo(source).absolutePath());

    // Write beside the target, then replace it, so a failed run never leaves half a PDF.
    const QString temp = target + QStringLiteral(".part");
    {
        QPdfWriter pdf(temp);
        pdf.setTitle(QStringLiteral("ルセリオ 取扱い説明書"));
        pdf.setCreator(QStringLiteral("luserio"));
        pdf.setResolution(96);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(18, 16, 18, 18), QPageLayout::Millimeter));

        QTextDocument doc;
        doc.setBaseUrl(QUrl::fromLocalFile(QFileInfo(source).absolutePath() + QLatin1Char('/')));
        QFont base(QStringLiteral("Meiryo UI"));
        base.setPointSizeF(10.5);
        doc.setDefaultFont(base);
        doc.setDocumentMargin(0);
        doc.setHtml(html);

        const QRect page = pdf.pageLayout().paintRectPixels(pdf.resolution());
        const int footer = 28;
        const QSizeF body(page.width(), page.height() - footer);
        doc.setPageSize(body);
        const int pages = doc.pageCount();

        QPainter p(&pdf);
        QFont small = base;
        small.setPointSizeF(8.5);
        for (int i = 0; i < pages; ++i) {
            if (i > 0)
                pdf.newPage();
            p.save();
            p.translate(0, -i * body.height());
            QAbstractTextDocumentLayout::PaintContext ctx;
            ctx.clip = QRectF(0, i * body.height(), body.width(), body.height());
            p.setClipRect(ctx.clip);
            doc.documentLayout()->draw(&p, ctx);
            p.restore();
            if (i > 0) { // the title page has no footer
                p.setFont(small);
                p.setPen(QColor(110, 110, 110));
                const QRectF foot(0, page.height() - footer + 8, body.width(), footer - 8);
                p.drawLine(QPointF(0, foot.top() - 4), QPointF(body.width(), foot.top() - 4));
                p.drawText(foot, Qt::AlignLeft | Qt::AlignVCenter,
                           QStringLiteral("ルセリオ 取扱い説明書"));
                p.drawText(foot, Qt::AlignRight | Qt::AlignVCenter,
                           QStringLiteral("%1 / %2").arg(i + 1).arg(pages));
            }
        }
        p.end();
    }
    QFile::remove(target);
    if (!QFile::rename(temp, target)) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
