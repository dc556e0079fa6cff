#include "image/BitmapKey.h"

#include "base/Prompts.h"
#include "image/FileBytes.h"

bool ScanBitmapFile(const QString& path, KeyColor& key, QString& failure) {
    key = std::nullopt;
    failure.clear();
    const FileBytes file(path);
    switch (file.status()) {
    case FileBytes::OpenFailed:
        failure = QStringLiteral("ファイルオープンエラー\n");
        return false;
    case FileBytes::NoMemory:
        failure = QStringLiteral("メモリ確保エラー\n");
        return false;
    case FileBytes::ShortRead:
        failure = QStringLiteral("データ読込みエラー\n");
        return false;
    case FileBytes::Ok:
        break;
    }
    const BitmapKeyScan scan = ScanBitmapColorKey(file.data(), file.size(), key);
    if (scan == BitmapKeyScan::Found)
        return true;
    if (scan == BitmapKeyScan::NotBitmap)
        failure = QStringLiteral("形式判別エラー\n");
    key = std::nullopt;
    return false;
}

bool ReadBitmapColorKey(const QString& path, KeyColor& key) {
    QString failure;
    if (ScanBitmapFile(path, key, failure))
        return true;
    if (!failure.isEmpty())
        ShowMessage(Msg::BitmapInfoFailed, failure, nullptr, MsgKind::Error);
    return false;
}
