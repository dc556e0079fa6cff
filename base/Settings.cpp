#include "Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <algorithm>

namespace {

constexpr const char* kMaker = "Varnholt";

/// Whether two paths name the same document (file names ignore case on Windows).
bool SameDocument(const QString& a, const QString& b) {
#ifdef Q_OS_WIN
    const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity cs = Qt::CaseSensitive;
#endif
    return QDir::cleanPath(a).compare(QDir::cleanPath(b), cs) == 0;
}

QString path(SettingKey key) {
    return QString::fromLatin1(key.section) + QLatin1Char('/') + QString::fromLatin1(key.name);
}

// A fresh store object per use, synced first, so a change made by another copy of
// the program is seen at once.
struct Store {
    QSettings s{QSettings::NativeFormat, QSettings::UserScope, QString::fromLatin1(kMaker),
                ApplicationName()};
    Store() { s.sync(); }
};

} // namespace

QString ApplicationName() {
    QString name = QCoreApplication::applicationName();
    if (name.isEmpty() && QCoreApplication::instance())
        name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return name.isEmpty() ? QStringLiteral("luserio") : name;
}

void NameApplicationAfterExecutable() {
    QCoreApplication::setApplicationName(
        QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
}

int ReadSettingInt(SettingKey key, int def) {
    Store st;
    if (st.s.status() != QSettings::NoError)
        return def;
    const QVariant v = st.s.value(path(key));
    if (!v.isValid())
        return def;
    bool ok = false;
    const qlonglong n = v.toString().trimmed().toLongLong(&ok, 10);
    if (!ok) {
        const int i = v.toInt(&ok);
        return ok ? i : def;
    }
    // Stored as a 32-bit value: wrap like a DWORD read back into an int.
    return int(quint32(quint64(n)));
}

int ReadSettingPositive(SettingKey key, int def) {
    const int value = ReadSettingInt(key, def);
    return value > 0 ? value : def;
}

void WriteSettingInt(SettingKey key, int value) {
    Store st;
    st.s.setValue(path(key), value);
    st.s.sync();
}

QString ReadSettingString(SettingKey key, const QString& def) {
    Store st;
    if (st.s.status() != QSettings::NoError)
        return def;
    const QVariant v = st.s.value(path(key));
    if (!v.isValid() || !v.canConvert<QString>())
        return def;
    return v.toString();
}

void WriteSettingString(SettingKey key, const QString& value) {
    Store st;
    st.s.setValue(path(key), value);
    st.s.sync();
}

QStringList ReadRecentDocuments() {
    QStringList paths;
    for (const SettingKey& key : Setting::RecentDocuments) {
        const QString p = ReadSettingString(key, QString());
        if (p.isEmpty())
            continue;
        if (std::none_of(paths.cbegin(), paths.cend(),
                         [&p](const QString& q) { return SameDocument(p, q); }))
            paths << p;
    }
    return paths;
}

namespace {

void WriteRecentDocuments(const QStringList& paths) {
    Store st;
    for (int i = 0; i < Setting::kRecentDocumentCount; ++i) {
        const QString key = path(Setting::RecentDocuments[i]);
        if (i < paths.size())
            st.s.setValue(key, paths[i]);
        else
            st.s.remove(key);
    }
    st.s.sync();
}

} // namespace

void RememberRecentDocument(const QString& document) {
    const QString absolute = QDir::cleanPath(QFileInfo(document).absoluteFilePath());
    QStringList paths = ReadRecentDocuments();
    paths.removeIf([&absolute](const QString& p) { return SameDocument(p, absolute); });
    paths.prepend(absolute);
    WriteRecentDocuments(paths.mid(0, Setting::kRecentDocumentCount));
}

void ForgetRecentDocument(const QString& document) {
    QStringList paths = ReadRecentDocuments();
    paths.removeIf([&document](const QString& p) { return SameDocument(p, document); });
    WriteRecentDocuments(paths);
}
