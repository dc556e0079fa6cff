#pragma once
// Changes a finished PDF file the way the format allows without rewriting it: an
// incremental update appends new versions of objects (and new objects) after the
// original bytes, with an xref section of their own that points back to the first.
// Reads files with a classic xref table, as QPdfWriter writes them.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

class PdfUpdate {
public:
    /// Reads the xref table and trailer of `pdf`; error() says what was wrong.
    explicit PdfUpdate(QByteArray pdf);

    QString error() const { return m_error; }

    /// The catalog's object number (the trailer's /Root).
    int root() const { return m_root; }

    /// Every object number in use, in increasing order.
    QList<int> objects() const { return m_offsets.keys(); }

    /// The text between "N 0 obj" and "endobj" (trimmed), as last set: empty when the
    /// object does not exist.
    QByteArray object(int number) const;

    /// A number for a new object (its body is set with SetObject).
    int NewObject() { return m_size++; }

    /// Replaces the body of object `number` (or gives a new object its body).
    void SetObject(int number, const QByteArray& body) { m_changed[number] = body; }

    /// The original bytes followed by the update.
    QByteArray Result() const;

    /// The object number of the reference `/key N 0 R` in `dict`; 0 when absent.
    static int Reference(const QByteArray& dict, const char* key);

    /// The object numbers of every reference `N 0 R` in `text`, in order.
    static QList<int> References(const QByteArray& text);

    /// The contents of the stream object `body` (only unfiltered streams).
    static QByteArray StreamData(const QByteArray& body);

    /// A stream object's body holding `data` unfiltered.
    static QByteArray StreamObject(const QByteArray& data);

    /// A PDF text string for `text`: UTF-16BE with its byte order mark, in hex.
    static QByteArray TextString(const QString& text);

private:
    QByteArray m_pdf;
    QString m_error;
    QMap<int, qint64> m_offsets; ///< object number → offset of "N 0 obj"
    QMap<int, QByteArray> m_changed;
    qint64 m_xref = 0;
    int m_size = 0;
    int m_root = 0;
    int m_info = 0;
};
