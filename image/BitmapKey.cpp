#include "image/BitmapKey.h"

#include "base/Prompts.h"
#include "image/FileBytes.h"

bool ReadBitmapColorKey(const QString& path, KeyColor& key) {
    key = std::nullopt;
    const FileBytes file(path);
    QString prefix;
    switch (file.status()) {
    case FileBytes::OpenFailed:
        prefix = QStringLiteral("ファイルオープンエラー\n");
        break;
    case FileBytes::NoMemory:
        prefix = QStringLiteral("メモリ確保エラー\n");
        break;
    case FileBytes::ShortRead:
        prefix = QStringLiteral("データ読込みエラー\n");
        break;
    case FileBytes::Ok:
        break;
    }
    if (prefix.isEmpty()) {
        const BitmapKeyScan scan = ScanBitmapColorKey(file.data(), file.size(), key);
        if (scan == BitmapKeyScan::Found)
            return true;
        if (scan == BitmapKeyScan::NotFound)
            return false;
        prefix = QStringLiteral("形式判別エラー\n");
    }
    ShowMessage(Msg::BitmapInfoFailed, prefix, nullptr, MsgKind::Error);
    key = std::nullopt;
    return false;
}
