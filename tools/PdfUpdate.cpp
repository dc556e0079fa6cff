#include "tools/PdfUpdate.h"

#include <QRegularExpression>

PdfUpdate::PdfUpdate(QByteArray pdf) : m_pdf(std::move(pdf)) {
    const qsizetype start = m_pdf.lastIndexOf("startxref");
    if (start < 0) {
        m_error = QStringLiteral("no startxref");
        return;
    }
    m_xref = m_pdf.mid(start + 9, 32).trimmed().split('\n').value(0).trimmed().toLongLong();
    if (m_xref <= 0 || m_xref >= m_pdf.size() || !m_pdf.mid(m_xref).startsWith("xref")) {
        m_error = QStringLiteral("no xref table at the offset startxref gives");
        return;
    }
    const qsizetype trailer = m_pdf.indexOf("trailer", m_xref);
    if (trailer < 0) {
        m_error = QStringLiteral("no trailer");
        return;
    }
    // The table: subsections "first count", then one "offset generation n|f" line each.
    const QList<QByteArray> lines = m_pdf.mid(m_xref + 4, trailer - m_xref - 4).split('\n');
    int next = 0;
    for (const QByteArray& raw : lines) {
        const QList<QByteArray> f = raw.simplified().split(' ');
        if (f.size() == 2) {
            next = f[0].toInt();
        } else if (f.size() == 3) {
            if (f[2] == "n")
                m_offsets.insert(next, f[0].toLongLong());
            ++next;
        }
    }
    const QByteArray dict = m_pdf.mid(trailer, m_pdf.indexOf(">>", trailer) - trailer);
    static const QRegularExpression size(QStringLiteral("/Size\\s+(\\d+)"));
    m_size = size.match(QString::fromLatin1(dict)).captured(1).toInt();
    m_root = Reference(dict, "Root");
    m_info = Reference(dict, "Info");
    if (m_size <= 0 || m_root <= 0 || m_offsets.isEmpty())
        m_error = QStringLiteral("the trailer lacks /Size or /Root");
}

QByteArray PdfUpdate::object(int number) const {
    const auto changed = m_changed.constFind(number);
    if (changed != m_changed.cend())
        return *changed;
    const auto it = m_offsets.constFind(number);
    if (it == m_offsets.cend())
        return QByteArray();
    const qsizetype open = m_pdf.indexOf("obj", *it);
    const qsizetype close = m_pdf.indexOf("endobj", open);
    if (open < 0 || close < 0)
        return QByteArray();
    return m_pdf.mid(open + 3, close - open - 3).trimmed();
}

QByteArray PdfUpdate::Result() const {
    QByteArray out = m_pdf;
    if (!out.endsWith('\n'))
        out += '\n';
    QMap<int, qint64> offsets;
    for (auto it = m_changed.cbegin(); it != m_changed.cend(); ++it) {
        offsets.insert(it.key(), out.size());
        out += QByteArray::number(it.key()) + " 0 obj\n" + it.value() + "\nendobj\n";
    }
    const qint64 xref = out.size();
    out += "xref\n";
    for (auto it = offsets.cbegin(); it != offsets.cend(); ++it) {
        // Each entry is exactly 20 bytes: the offset in ten digits, the generation in
        // five, "n" and a two-byte end of line (a space and a newline).
        out += QByteArray::number(it.key()) + " 1\n";
        out += QByteArray::number(it.value()).rightJustified(10, '0') + " 00000 n \n";
    }
    out += "trailer\n<< /Size " + QByteArray::number(m_size) + " /Root " +
           QByteArray::number(m_root) + " 0 R";
    if (m_info > 0)
        out += " /Info " + QByteArray::number(m_info) + " 0 R";
    out += " /Prev " + QByteArray::number(m_xref) + " >>\nstartxref\n" + QByteArray::number(xref) +
           "\n%%EOF\n";
    return out;
}

int PdfUpdate::Reference(const QByteArray& dict, const char* key) {
    const QRegularExpression re(QStringLiteral("/%1\\s+(\\d+)\\s+0\\s+R").arg(QLatin1String(key)));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(dict));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

QList<int> PdfUpdate::References(const QByteArray& text) {
    static const QRegularExpression re(QStringLiteral("(\\d+)\\s+0\\s+R"));
    QList<int> out;
    QRegularExpressionMatchIterator it = re.globalMatch(QString::fromLatin1(text));
    while (it.hasNext())
        out.append(it.next().captured(1).toInt());
    return out;
}

QByteArray PdfUpdate::StreamData(const QByteArray& body) {
    if (body.contains("/Filter"))
        return QByteArray();
    const qsizetype begin = body.indexOf("stream");
    const qsizetype end = body.lastIndexOf("endstream");
    if (begin < 0 || end < begin)
        return QByteArray();
    qsizetype from = begin + 6;
    if (body.mid(from, 2) == "\r\n")
        from += 2;
    else if (body.at(from) == '\n')
        from += 1;
    return body.mid(from, end - from);
}

QByteArray PdfUpdate::StreamObject(const QByteArray& data) {
    return "<< /Length " + QByteArray::number(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

QByteArray PdfUpdate::TextString(const QString& text) {
    QByteArray bytes("\xFE\xFF", 2);
    for (const QChar c : text) {
        bytes += char(c.unicode() >> 8);
        bytes += char(c.unicode() & 0xFF);
    }
    return '<' + bytes.toHex().toUpper() + '>';
}
