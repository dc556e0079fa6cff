#pragma once
// A sink for the decoder tests: collects the pixels into a QImage (Format_ARGB32) and
// counts how often each pixel came.

#include "codec/Codec.h"

#include <QImage>
#include <gtest/gtest.h>
#include <vector>

class CollectingSink : public codec::RowSink {
public:
    bool Begin(int width, int height) override {
        ++begun;
        image = QImage(width, height, QImage::Format_ARGB32);
        image.fill(0);
        counts.assign(size_t(width) * size_t(height), 0);
        return !image.isNull();
    }
    void Row(int y, const std::uint32_t* row, int x0, int step) override {
        if (y < 0 || y >= image.height()) {
            ADD_FAILURE() << "row " << y << " outside the picture";
            return;
        }
        auto* d = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = x0; x < image.width(); x += step) {
            d[x] = row[x];
            ++counts[size_t(y) * size_t(image.width()) + size_t(x)];
        }
    }
    /// True when every pixel came exactly once.
    bool EachPixelOnce() const {
        for (int c : counts)
            if (c != 1)
                return false;
        return !counts.empty();
    }

    int begun = 0;
    QImage image;
    std::vector<int> counts;
};
