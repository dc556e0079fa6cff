#include "editor/DialogMath.h"

#include "editor/Text.h"

#include <algorithm>
#include <climits>

int ClampSwitchTime(long long seconds) {
    return int(std::clamp<long long>(seconds, kMinSwitchTime, kMaxSwitchTime));
}

QString TotalTimeText(const int* times, int count) {
    long long sum = 0;
    for (int i = 0; i < count; ++i)
        sum += times[i];
    return QStringLiteral("Total-") + FormatSwitchTime(int(std::clamp<long long>(sum, 0, INT_MAX)));
}

QString DataSizeText(qint64 bytes) {
    if (bytes < 1024)
        return QString::asprintf("%.3f KB", double(bytes) / 1024.0);
    return GroupDigits(QString::number(bytes / 1024)) + QStringLiteral(" KB");
}

QString ListColorText(const KeyColor& color) {
    if (!color)
        return QStringLiteral("透過色なし");
    return QString::asprintf("RGB(%3d, %3d, %3d)", qRed(*color), qGreen(*color), qBlue(*color));
}

QString PropertyColorText(const KeyColor& color) {
    if (!color)
        return QStringLiteral("透過色なし");
    return QString::asprintf("RGB(%d, %d, %d)", qRed(*color), qGreen(*color), qBlue(*color));
}

QString PixelSizeText(QSize size) {
    return GroupDigits(QString::number(size.width())) + QStringLiteral("×") +
           GroupDigits(QString::number(size.height())) + QStringLiteral("px");
}

QRect PreviewPlacement(const QRect& frame, QSize picture) {
    const int w = picture.width();
    const int h = picture.height();
    const int W = frame.width();
    const int H = frame.height();
    if (w <= 0 || h <= 0 || W <= 0 || H <= 0)
        return QRect();
    if (w < W && h < H)
        return QRect(frame.left() + (W - w) / 2, frame.top() + (H - h) / 2, w, h);
    // The factors are single precision on purpose and the scaled side is their product
    // in double precision, truncated: 780 / 1200 is 0.64999998f, so a 1200 x 300
    // picture is drawn 194 pixels high in a 780 x 600 frame, not 195.
    const float sx = float(W) / float(w);
    const float sy = float(H) / float(h);
    if (sy > sx) {
        const int dh = int(double(h) * double(sx));
        return QRect(frame.left(), frame.top() + (H - dh) / 2, W, dh);
    }
    const int dw = int(float(w) * sy);
    return QRect(frame.left() + (W - dw) / 2, frame.top(), dw, H);
}

int LeadingNumber(const QString& text) {
    long long n = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        n = n * 10 + (c.unicode() - '0');
        if (n > INT_MAX)
            return INT_MAX;
    }
    return int(n);
}

int SizeLimitFromText(const QString& text) {
    return std::clamp(LeadingNumber(text), 100, 1000);
}

QImage KeyedImage(const QImage& image, const KeyColor& key) {
    if (image.isNull())
        return QImage();
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    if (key) {
        const QRgb k = *key & 0x00FFFFFFu;
        for (int y = 0; y < out.height(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < out.width(); ++x)
                if ((line[x] & 0x00FFFFFFu) == k)
                    line[x] = 0;
        }
    }
    return out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
