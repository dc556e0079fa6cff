// Writes the user manual as a PDF:
// `lsr_manual_pdf SOURCE.html OUT.pdf [PDFTOTEXT] [--pictures FOLDER]`.
//
// The HTML is laid out by QTextDocument on A4 pages (pictures resolved in FOLDER, which
// the build fills with the windows' pictures; else next to the source) and drawn page by
// page with a running footer. The source's `<!--contents-->`
// becomes a table of the chapters (its level-1 headings that follow) with their pages.
// The PDF QPdfWriter makes is then completed by an incremental update:
// - an outline (bookmarks) of every heading, chapters with their sections;
// - links from the rows of the table of contents to their chapters;
// - text mappings (ToUnicode) that give back the characters the source wrote: for a
//   glyph that several characters share (a kanji and its look-alike Kangxi radical),
//   QPdfWriter names the lowest such character, not the one that was written.
// Given the path of `pdftotext`, the tool extracts the text of the finished PDF and
// fails, writing nothing, unless every word of the source comes back as written.

#include "base/Platform.h"
#include "tools/PdfUpdate.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QImageReader>
#include <QPageLayout>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QUrl>
#include <climits>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

const QString kTitle = QStringLiteral("ルセリオ 取扱い説明書");
const QString kContentsMarker = QStringLiteral("<!--contents-->");
constexpr int kFooterHeight = 28;
constexpr qreal kPointsPerPixel = 72.0 / 96.0; // the writer draws at 96 dpi

/// A heading of the laid-out manual.
struct Heading {
    int level = 0; ///< 1 for <h1>, 2 for <h2> ...
    QString text;
    int page = 0;  ///< from 0
    qreal top = 0; ///< its top on that page, in pixels from the body's top
};

/// A clickable rectangle of the table of contents.
struct Link {
    int page = 0;
    QRectF rect;     ///< in pixels of the page's body
    int heading = 0; ///< index into the headings
};

/// Gives every <img> with a width but no height the height that keeps the picture's
/// proportions: the rich-text layout otherwise reserves the picture's full height.
/// `ok` becomes false when a picture is missing.
QString WithImageHeights(const QString& html, const QString& folder, bool& ok) {
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
            ok = false;
        }
        last = m.capturedEnd();
    }
    out += html.mid(last);
    return out;
}

/// The texts of the level-1 headings in `html` (tags removed).
QStringList ChapterTitles(const QString& html) {
    static const QRegularExpression h1(QStringLiteral("<h1[^>]*>(.*?)</h1>"),
                                       QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    QStringList out;
    QRegularExpressionMatchIterator it = h1.globalMatch(html);
    while (it.hasNext())
        out.append(it.next().captured(1).remove(tag).trimmed());
    return out;
}

/// The table of contents: per chapter its number, title and page (1-based; "" before
/// the pages are known), each cell a link "#N" to the N-th chapter. A title "1　はじめに"
/// gives the number 1 and the title はじめに.
QString ContentsTable(const QStringList& chapters, const QList<int>& pages) {
    const QString link = QStringLiteral("<a href=\"#%1\" style=\"color: #1e1e1e; "
                                        "text-decoration: none;\">%2</a>");
    QString out = QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"3\">\n");
    for (int i = 0; i < chapters.size(); ++i) {
        const QString& title = chapters[i];
        const qsizetype gap = title.indexOf(QChar(0x3000));
        const QString number = gap > 0 ? title.left(gap) : QString();
        const QString name = gap > 0 ? title.mid(gap + 1) : title;
        const QString page = i < pages.size() ? QString::number(pages[i] + 1) : QString();
        out += QStringLiteral("<tr><td width=\"8%\">%1</td><td>%2</td>"
                              "<td width=\"10%\" align=\"right\">%3</td></tr>\n")
                   .arg(link.arg(i).arg(number), link.arg(i).arg(name.toHtmlEscaped()),
                        link.arg(i).arg(page));
    }
    return out + QStringLiteral("</table>\n");
}

/// Where a block's first line lies: its page and its top on that page.
std::pair<int, qreal> PlaceOf(const QTextDocument& doc, const QTextBlock& block) {
    const qreal pageHeight = doc.pageSize().height();
    const qreal top = doc.documentLayout()->blockBoundingRect(block).top();
    const int page = int(std::floor(top / pageHeight));
    return {page, top - page * pageHeight};
}

QList<Heading> Headings(const QTextDocument& doc) {
    QList<Heading> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const int level = b.blockFormat().headingLevel();
        if (level <= 0)
            continue;
        const auto [page, top] = PlaceOf(doc, b);
        out.append({level, b.text().trimmed(), page, top});
    }
    return out;
}

/// The links of the table of contents: the blocks of one row share their target, so
/// their rectangles make one link per row. The links' anchors are removed from the
/// text, so QPdfWriter does not add links of its own (to web addresses).
QList<Link> TakeLinks(QTextDocument& doc, int firstChapter) {
    QList<Link> out;
    QTextCursor cursor(&doc);
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QString href = f.charFormat().anchorHref();
            if (!href.startsWith(QLatin1Char('#')))
                continue;
            const int heading = firstChapter + href.mid(1).toInt();
            const auto [page, top] = PlaceOf(doc, b);
            QRectF rect = doc.documentLayout()->blockBoundingRect(b);
            rect.moveTop(top);
            if (!out.isEmpty() && out.last().heading == heading && out.last().page == page)
                out.last().rect |= rect;
            else
                out.append({page, rect, heading});
            QTextCharFormat plain = f.charFormat();
            plain.clearProperty(QTextFormat::AnchorHref);
            plain.clearProperty(QTextFormat::IsAnchor);
            cursor.setPosition(f.position());
            cursor.setPosition(f.position() + f.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(plain);
        }
    }
    return out;
}

/// A paint device that keeps the text of every text item painted on it, in order: the
/// same painting on a QPdfWriter writes one text object (BT … ET) per item, one glyph
/// per character where no ligature joins them.
class TextRecorder : public QPaintDevice {
public:
    explicit TextRecorder(QSize pixels) : m_size(pixels) {}
    QPaintEngine* paintEngine() const override { return &m_engine; }
    const QStringList& items() const { return m_engine.items; }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmWidthMM:
            return qRound(m_size.width() * 25.4 / 96);
        case PdmHeightMM:
            return qRound(m_size.height() * 25.4 / 96);
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return INT_MAX;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    class Engine : public QPaintEngine {
    public:
        Engine() : QPaintEngine(QPaintEngine::AllFeatures) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawImage(const QRectF&, const QImage&, const QRectF&,
                       Qt::ImageConversionFlags) override {}
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF&, const QTextItem& item) override {
            items.append(item.text());
        }
        Type type() const override { return QPaintEngine::User; }
        QStringList items;
    };
    QSize m_size;
    mutable Engine m_engine;
};

/// The text objects of a page's content stream: the font resource and the glyphs
/// (CIDs, two bytes each) it shows.
struct TextObject {
    QByteArray font;
    QList<uint> glyphs;
};

QList<TextObject> TextObjects(const QByteArray& content) {
    static const QRegularExpression block(QStringLiteral("\\bBT\\b(.*?)\\bET\\b"),
                                          QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression font(QStringLiteral("/(\\S+)\\s+[-\\d.]+\\s+Tf"));
    static const QRegularExpression shown(QStringLiteral("<([0-9A-Fa-f]*)>\\s*Tj"));
    QList<TextObject> out;
    QRegularExpressionMatchIterator it = block.globalMatch(QString::fromLatin1(content));
    while (it.hasNext()) {
        const QString text = it.next().captured(1);
        TextObject object;
        object.font = font.match(text).captured(1).toLatin1();
        QRegularExpressionMatchIterator glyphs = shown.globalMatch(text);
        while (glyphs.hasNext()) {
            const QString hex = glyphs.next().captured(1);
            for (qsizetype i = 0; i + 4 <= hex.size(); i += 4)
                object.glyphs.append(hex.mid(i, 4).toUInt(nullptr, 16));
        }
        out.append(object);
    }
    return out;
}

/// A content stream's bytes (FlateDecode, as QPdfWriter writes them, or unfiltered).
QByteArray ContentBytes(const QByteArray& body) {
    const qsizetype begin = body.indexOf("stream");
    const qsizetype end = body.lastIndexOf("endstream");
    if (begin < 0 || end < begin)
        return QByteArray();
    QByteArray data = body.mid(begin + 6, end - begin - 6);
    while (data.startsWith('\r') || data.startsWith('\n'))
        data.remove(0, 1);
    if (!body.left(begin).contains("/FlateDecode"))
        return data;
    // qUncompress reads zlib data behind a big-endian size hint (it grows past it).
    const quint32 hint = quint32(qMin<qsizetype>(data.size() * 8, 1 << 30));
    QByteArray framed(4, '\0');
    framed[0] = char(hint >> 24);
    framed[1] = char(hint >> 16);
    framed[2] = char(hint >> 8);
    framed[3] = char(hint);
    return qUncompress(framed + data);
}

/// The glyph → text entries of a ToUnicode CMap (its bfchar and bfrange sections).
QMap<uint, QByteArray> ParseCMap(const QByteArray& cmap) {
    QMap<uint, QByteArray> map;
    // Tokens: hex strings, brackets and the section keywords.
    static const QRegularExpression token(
        QStringLiteral("<([0-9A-Fa-f]*)>|\\[|\\]|beginbfchar|endbfchar|beginbfrange|endbfrange"));
    QStringList tokens;
    QRegularExpressionMatchIterator it = token.globalMatch(QString::fromLatin1(cmap));
    while (it.hasNext())
        tokens.append(it.next().captured(0));
    enum { None, Chars, Ranges } section = None;
    const auto hex = [](const QString& t) {
        return QByteArray::fromHex(t.mid(1, t.size() - 2).toLatin1());
    };
    const auto number = [&](const QString& t) {
        return t.mid(1, t.size() - 2).toUInt(nullptr, 16);
    };
    for (int i = 0; i < tokens.size();) {
        const QString& t = tokens[i];
        if (t == QLatin1String("beginbfchar")) {
            section = Chars;
            ++i;
        } else if (t == QLatin1String("beginbfrange")) {
            section = Ranges;
            ++i;
        } else if (t.startsWith(QLatin1String("end"))) {
            section = None;
            ++i;
        } else if (section == Chars && i + 1 < tokens.size()) {
            map.insert(number(t), hex(tokens[i + 1]));
            i += 2;
        } else if (section == Ranges && i + 2 < tokens.size()) {
            const uint first = number(t);
            const uint last = number(tokens[i + 1]);
            i += 2;
            if (tokens[i] == QLatin1String("[")) {
                ++i;
                for (uint g = first; i < tokens.size() && tokens[i] != QLatin1String("]"); ++g)
                    map.insert(g, hex(tokens[i++]));
                ++i;
            } else {
                // One start value: each next glyph names the next character.
                QByteArray value = hex(tokens[i++]);
                for (uint g = first; g <= last && !value.isEmpty(); ++g) {
                    map.insert(g, value);
                    value[value.size() - 1] = char(uchar(value.back()) + 1);
                }
            }
        } else {
            ++i;
        }
    }
    return map;
}

QByteArray WriteCMap(const QMap<uint, QByteArray>& map) {
    QByteArray out = "/CIDInit /ProcSet findresource begin\n"
                     "12 dict begin\n"
                     "begincmap\n"
                     "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                     "/CMapName /Adobe-Identity-UCS def\n"
                     "/CMapType 2 def\n"
                     "1 begincodespacerange\n"
                     "<0000> <FFFF>\n"
                     "endcodespacerange\n";
    const QList<uint> glyphs = map.keys();
    // A section holds at most 100 entries.
    for (qsizetype start = 0; start < glyphs.size(); start += 100) {
        const qsizetype count = qMin<qsizetype>(100, glyphs.size() - start);
        out += QByteArray::number(count) + " beginbfchar\n";
        for (qsizetype i = start; i < start + count; ++i)
            out += '<' + QByteArray::number(glyphs[i], 16).rightJustified(4, '0').toUpper() +
                   "> <" + map.value(glyphs[i]).toHex().toUpper() + ">\n";
        out += "endbfchar\n";
    }
    out += "endcmap\n"
           "CMapName currentdict /CMap defineresource pop\n"
           "end\n"
           "end\n";
    return out;
}

/// Rewrites every font's ToUnicode CMap so that each glyph names the character the
/// manual wrote with it. QPdfWriter derives the mapping from the font's character map,
/// which goes wrong twice: for a glyph that several characters share it names the
/// lowest (the Kangxi radical U+2F70 ⽰ for 示, U+2215 ∕ for ／), and a glyph that
/// shaping substituted (the digits in Latin text, ligatures) has no entry at all. Here
/// the glyphs of each text object are paired with the characters of the text item that
/// drew it; a glyph drawn for different characters takes the one drawn most often.
/// Returns an error, or an empty string.
QString WriteTextMappings(PdfUpdate& pdf, const QList<int>& pages, const QStringList& items) {
    QList<TextObject> objects;
    QHash<QByteArray, int> fontObjects; // resource name → font object
    for (const int page : pages) {
        const QByteArray dict = pdf.object(page);
        const QByteArray resources = pdf.object(PdfUpdate::Reference(dict, "Resources"));
        static const QRegularExpression named(QStringLiteral("/(\\S+)\\s+(\\d+)\\s+0\\s+R"));
        QRegularExpressionMatchIterator it = named.globalMatch(QString::fromLatin1(resources));
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            fontObjects.insert(m.captured(1).toLatin1(), m.captured(2).toInt());
        }
        for (const int content : PdfUpdate::References(
                 dict.mid(dict.indexOf("/Contents"), dict.indexOf("/Contents") < 0 ? 0 : 24)))
            objects += TextObjects(ContentBytes(pdf.object(content)));
    }
    if (objects.size() != items.size())
        return QStringLiteral("%1 text objects in the PDF, %2 text items painted")
            .arg(objects.size())
            .arg(items.size());
    // First the text objects with one glyph per character: font object → glyph →
    // character → how often.
    QHash<int, QHash<uint, QHash<char16_t, int>>> votes;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        const QString& text = items[i];
        if (objects[i].glyphs.size() != text.size())
            continue;
        auto& font = votes[fontObjects.value(objects[i].font)];
        for (qsizetype j = 0; j < text.size(); ++j)
            ++font[objects[i].glyphs[j]][text[j].unicode()];
    }
    // font object → glyph → its text
    QHash<int, QHash<uint, QString>> texts;
    for (auto font = votes.cbegin(); font != votes.cend(); ++font)
        for (auto glyph = font->cbegin(); glyph != font->cend(); ++glyph) {
            char16_t best = 0;
            int most = 0;
            for (auto c = glyph->cbegin(); c != glyph->cend(); ++c)
                if (c.value() > most || (c.value() == most && c.key() < best)) {
                    best = c.key();
                    most = c.value();
                }
            texts[font.key()][glyph.key()] = QString(QChar(best));
        }
    // Then the others: a glyph not known yet stands for the characters up to the one
    // the next glyph is known for (a ligature: "fl" in "--flip").
    for (qsizetype i = 0; i < objects.size(); ++i) {
        const QString& text = items[i];
        const QList<uint>& glyphs = objects[i].glyphs;
        if (glyphs.size() == text.size())
            continue;
        auto& font = texts[fontObjects.value(objects[i].font)];
        qsizetype j = 0;
        for (qsizetype g = 0; g < glyphs.size() && j < text.size(); ++g) {
            const QString known = font.value(glyphs[g]);
            if (!known.isEmpty() && text.mid(j, known.size()) == known) {
                j += known.size();
                continue;
            }
            qsizetype end = text.size();
            if (g + 1 < glyphs.size()) {
                const QString next = font.value(glyphs[g + 1]);
                end = next.isEmpty() ? -1 : text.indexOf(next, j + 1);
            }
            if (end < 0)
                break; // nothing to pair the rest by
            if (known.isEmpty())
                font[glyphs[g]] = text.mid(j, end - j);
            j = end;
        }
    }
    for (auto font = texts.cbegin(); font != texts.cend(); ++font) {
        const int cmapObject = PdfUpdate::Reference(pdf.object(font.key()), "ToUnicode");
        if (cmapObject <= 0)
            continue;
        QMap<uint, QByteArray> map = ParseCMap(PdfUpdate::StreamData(pdf.object(cmapObject)));
        for (auto glyph = font->cbegin(); glyph != font->cend(); ++glyph) {
            QByteArray units;
            for (const QChar c : glyph.value()) {
                units += char(c.unicode() >> 8);
                units += char(c.unicode() & 0xFF);
            }
            map.insert(glyph.key(), units);
        }
        pdf.SetObject(cmapObject, PdfUpdate::StreamObject(WriteCMap(map)));
    }
    return QString();
}

/// Converts a point of a page's body (pixels from its top left) into PDF user space.
QPointF PdfPoint(const QPageLayout& layout, QPointF pixels) {
    const QRectF paint = layout.paintRectPoints();
    const qreal height = layout.fullRectPoints().height();
    return {paint.left() + pixels.x() * kPointsPerPixel,
            height - (paint.top() + pixels.y() * kPointsPerPixel)};
}

QByteArray Num(qreal v) {
    return QByteArray::number(v, 'f', 2);
}

/// A destination: the place `top` pixels down the page's body, at the page's left edge,
/// the zoom left alone. The left edge is given (not null, "as it is"): a reader that finds
/// no left in a destination may drop its top as well, as QPdfBookmarkModel does.
QByteArray Destination(const QList<int>& pages, const QPageLayout& layout, int page, qreal top) {
    const QPointF p = PdfPoint(layout, QPointF(0, qMax<qreal>(0, top - 8)));
    return "[" + QByteArray::number(pages.value(page)) + " 0 R /XYZ 0 " + Num(p.y()) + " null]";
}

/// Adds the outline of `headings` (each heading a child of the nearest heading before it
/// of a lower level) and shows it when the file opens.
void AddOutline(PdfUpdate& pdf, const QList<int>& pages, const QPageLayout& layout,
                const QList<Heading>& headings) {
    if (headings.isEmpty())
        return;
    const int root = pdf.NewObject();
    QList<int> objects;
    for (int i = 0; i < headings.size(); ++i)
        objects.append(pdf.NewObject());
    // parent[i]: index of the parent heading, -1 for the outline's root.
    QList<int> parent(headings.size(), -1);
    for (int i = 0; i < headings.size(); ++i)
        for (int j = i - 1; j >= 0; --j)
            if (headings[j].level < headings[i].level) {
                parent[i] = j;
                break;
            }
    const auto children = [&](int p) {
        QList<int> out;
        for (int i = 0; i < headings.size(); ++i)
            if (parent[i] == p)
                out.append(i);
        return out;
    };
    const auto object = [&](int i) { return QByteArray::number(i < 0 ? root : objects[i]); };
    for (int i = 0; i < headings.size(); ++i) {
        const QList<int> siblings = children(parent[i]);
        const qsizetype at = siblings.indexOf(i);
        QByteArray item = "<< /Title " + PdfUpdate::TextString(headings[i].text) + " /Parent " +
                          object(parent[i]) + " 0 R";
        if (at > 0)
            item += " /Prev " + object(siblings[at - 1]) + " 0 R";
        if (at + 1 < siblings.size())
            item += " /Next " + object(siblings[at + 1]) + " 0 R";
        const QList<int> kids = children(i);
        if (!kids.isEmpty())
            // A negative count: the sections start folded under their chapter.
            item += " /First " + object(kids.first()) + " 0 R /Last " + object(kids.last()) +
                    " 0 R /Count -" + QByteArray::number(kids.size());
        item += " /Dest " + Destination(pages, layout, headings[i].page, headings[i].top) + " >>";
        pdf.SetObject(objects[i], item);
    }
    const QList<int> top = children(-1);
    pdf.SetObject(root, "<< /Type /Outlines /First " + object(top.first()) + " 0 R /Last " +
                            object(top.last()) + " 0 R /Count " + QByteArray::number(top.size()) +
                            " >>");
    QByteArray catalog = pdf.object(pdf.root());
    catalog.chop(2); // the closing ">>"
    catalog += " /Outlines " + QByteArray::number(root) + " 0 R /PageMode /UseOutlines >>";
    pdf.SetObject(pdf.root(), catalog);
}

/// Adds the links of the table of contents to their pages' annotation arrays.
void AddLinks(PdfUpdate& pdf, const QList<int>& pages, const QPageLayout& layout,
              const QList<Link>& links, const QList<Heading>& headings) {
    QMap<int, QList<int>> annotations; // page → its new link objects
    for (const Link& link : links) {
        const Heading& target = headings[link.heading];
        const QPointF a = PdfPoint(layout, link.rect.topLeft());
        const QPointF b = PdfPoint(layout, link.rect.bottomRight());
        const int object = pdf.NewObject();
        pdf.SetObject(object, "<< /Type /Annot /Subtype /Link /Rect [" + Num(a.x()) + ' ' +
                                  Num(b.y()) + ' ' + Num(b.x()) + ' ' + Num(a.y()) +
                                  "] /Border [0 0 0] /Dest " +
                                  Destination(pages, layout, target.page, target.top) + " >>");
        annotations[link.page].append(object);
    }
    for (auto it = annotations.cbegin(); it != annotations.cend(); ++it) {
        const QByteArray page = pdf.object(pages.value(it.key()));
        const int array = PdfUpdate::Reference(page, "Annots");
        QList<int> refs = PdfUpdate::References(pdf.object(array));
        refs += it.value();
        QByteArray body = "[";
        for (const int r : refs)
            body += ' ' + QByteArray::number(r) + " 0 R";
        pdf.SetObject(array, body + " ]");
    }
}

/// The page objects in order (the page tree QPdfWriter writes is one level deep).
QList<int> PageObjects(const PdfUpdate& pdf) {
    const int tree = PdfUpdate::Reference(pdf.object(pdf.root()), "Pages");
    const QByteArray body = pdf.object(tree);
    return PdfUpdate::References(body.mid(body.indexOf("/Kids")));
}

/// The words of the manual as laid out: what stands between white space within one
/// line. A line is the unit a text extractor keeps together: the lines of two table
/// cells side by side come out interleaved.
QStringList LaidOutWords(const QTextDocument& doc) {
    static const QRegularExpression separators(QStringLiteral("[\\s\\x{FFFC}\\x{2028}\\x{2029}]+"));
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextLayout* layout = b.layout();
        for (int i = 0; layout && i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            out += b.text()
                       .mid(line.textStart(), line.textLength())
                       .split(separators, Qt::SkipEmptyParts);
        }
    }
    return out;
}

/// Checks that extracting the text of `pdfPath` with `pdftotext` gives back every word
/// in `words`, white space and the pages' footers aside. Prints the words that do not
/// come back.
bool TextComesBack(const QString& pdftotext, const QString& pdfPath, const QStringList& words) {
    QProcess run;
    run.start(pdftotext,
              {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdfPath, QStringLiteral("-")});
    if (!run.waitForFinished(120000) || run.exitStatus() != QProcess::NormalExit ||
        run.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(pdftotext),
                     run.readAllStandardError().constData());
        return false;
    }
    static const QRegularExpression footer(
        QStringLiteral("^\\s*(%1)?\\s*(\\d+\\s*/\\s*\\d+)?\\s*$").arg(kTitle));
    static const QRegularExpression space(QStringLiteral("\\s+"));
    QString flat;
    for (const QString& line : QString::fromUtf8(run.readAllStandardOutput()).split('\n'))
        if (!footer.match(line).hasMatch())
            flat += QString(line).remove(space);
    int missing = 0;
    for (const QString& word : words)
        if (!flat.contains(word) && ++missing <= 20)
            std::fprintf(stderr, "not extracted as written: %s\n", qPrintable(word));
    if (missing > 0)
        std::fprintf(stderr, "%d words of the manual do not come back from its PDF\n", missing);
    return missing == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    InstallFontSubstitutions();
    QStringList args = QCoreApplication::arguments().mid(1);
    QString pictures;
    if (const qsizetype at = args.indexOf(QStringLiteral("--pictures"));
        at >= 0 && at + 1 < args.size()) {
        pictures = QFileInfo(args[at + 1]).absoluteFilePath();
        args.remove(at, 2);
    }
    if (args.size() != 2 && args.size() != 3) {
        std::fprintf(stderr, "usage: %s SOURCE.html OUT.pdf [PDFTOTEXT] [--pictures FOLDER]\n",
                     argv[0]);
        return 2;
    }
    const QString source = args[0];
    const QString target = args[1];
    const QString pdftotext = args.size() == 3 ? args[2] : QString();
    if (pictures.isEmpty())
        pictures = QFileInfo(source).absolutePath();
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(source));
        return 1;
    }
    bool picturesFound = true;
    const QString html = WithImageHeights(QString::fromUtf8(in.readAll()), pictures, picturesFound);
    if (!picturesFound)
        return 1;

    const QPageLayout pageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                 QMarginsF(18, 16, 18, 18), QPageLayout::Millimeter);
    const QRect page = pageLayout.paintRectPixels(96);
    const QSizeF body(page.width(), page.height() - kFooterHeight);
    QFont base(QStringLiteral("Meiryo UI"));
    base.setPointSizeF(10.5);
    QFont small = base;
    small.setPointSizeF(8.5);

    // The table of contents names the chapters' pages, which are known after a layout;
    // lay out again until they stay the same (its length does not depend on them).
    const qsizetype marker = html.indexOf(kContentsMarker);
    const QStringList chapters =
        marker < 0 ? QStringList() : ChapterTitles(html.mid(marker + kContentsMarker.size()));
    QTextDocument doc;
    doc.setBaseUrl(QUrl::fromLocalFile(pictures + QLatin1Char('/')));
    doc.setDefaultFont(base);
    doc.setDocumentMargin(0);
    QList<int> chapterPages;
    QList<Heading> headings;
    int firstChapter = 0;
    for (int pass = 0; pass < 4; ++pass) {
        QString full = html;
        if (marker >= 0)
            full.replace(marker, kContentsMarker.size(), ContentsTable(chapters, chapterPages));
        doc.setHtml(full);
        doc.setPageSize(body);
        headings = Headings(doc);
        QList<int> pages;
        int level1 = 0;
        for (const Heading& h : std::as_const(headings))
            level1 += h.level == 1;
        int seen = 0;
        for (int i = 0; i < headings.size(); ++i) {
            if (headings[i].level != 1)
                continue;
            if (seen++ == level1 - chapters.size())
                firstChapter = i;
            if (seen > level1 - chapters.size())
                pages.append(headings[i].page);
        }
        if (pages == chapterPages)
            break;
        chapterPages = pages;
    }
    const QList<Link> links = TakeLinks(doc, firstChapter);
    const int pages = doc.pageCount();

    // The pages are painted twice: for the PDF, and to record the text of every item.
    const auto paint = [&](QPainter& p, const std::function<void()>& newPage) {
        for (int i = 0; i < pages; ++i) {
            if (i > 0)
                newPage();
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
                const QRectF foot(0, page.height() - kFooterHeight + 8, body.width(),
                                  kFooterHeight - 8);
                p.drawLine(QPointF(0, foot.top() - 4), QPointF(body.width(), foot.top() - 4));
                p.drawText(foot, Qt::AlignLeft | Qt::AlignVCenter, kTitle);
                p.drawText(foot, Qt::AlignRight | Qt::AlignVCenter,
                           QStringLiteral("%1 / %2").arg(i + 1).arg(pages));
            }
        }
    };
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setTitle(kTitle);
        pdf.setCreator(QStringLiteral("luserio"));
        pdf.setResolution(96);
        pdf.setPageLayout(pageLayout);
        QPainter p(&pdf);
        paint(p, [&pdf] { pdf.newPage(); });
    }
    TextRecorder recorder(page.size());
    {
        QPainter p(&recorder);
        paint(p, [] {});
    }

    PdfUpdate update(bytes);
    if (!update.error().isEmpty()) {
        std::fprintf(stderr, "cannot read the PDF written: %s\n", qPrintable(update.error()));
        return 1;
    }
    const QList<int> pageObjects = PageObjects(update);
    const QString mappingError = WriteTextMappings(update, pageObjects, recorder.items());
    if (!mappingError.isEmpty()) {
        std::fprintf(stderr, "cannot pair the PDF's glyphs with the text: %s\n",
                     qPrintable(mappingError));
        return 1;
    }
    AddOutline(update, pageObjects, pageLayout, headings);
    AddLinks(update, pageObjects, pageLayout, links, headings);

    // Write beside the target, then replace it, so a failed run never leaves half a PDF.
    const QString temp = target + QStringLiteral(".part");
    {
        QFile out(temp);
        const QByteArray result = update.Result();
        if (!out.open(QIODevice::WriteOnly) || out.write(result) != result.size() || !out.flush()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(temp));
            return 1;
        }
    }
    if (!pdftotext.isEmpty() && !TextComesBack(pdftotext, temp, LaidOutWords(doc))) {
        QFile::remove(temp);
        return 1;
    }
    QFile::remove(target);
    if (!QFile::rename(temp, target)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(target));
        return 1;
    }
    return 0;
}
