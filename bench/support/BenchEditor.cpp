#include "bench/support/BenchEditor.h"

#include "base/Screen.h"
#include "document/Document.h"
#include "document/SlideTable.h"
#include "editor/ui/EditorWindow.h"

#include <QLinearGradient>
#include <QPainter>

namespace {

PicturePtr SamplePicture(int i) {
    QImage img(500, 500, QImage::Format_RGB32);
    img.fill(qRgb(0, 255, 0));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 500, 500);
    g.setColorAt(0, QColor::fromHsv((i * 37) % 360, 200, 240));
    g.setColorAt(1, QColor::fromHsv((i * 37 + 120) % 360, 220, 120));
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRect(40, 40, 420, 420));
    return Picture::fromImage(img);
}

} // namespace

std::unique_ptr<EditorWindow> OpenBenchEditor() {
    SetScreenOverride(MakeScreen(1920, 1080));
    auto dlg = std::make_unique<EditorWindow>();
    dlg->Initialize();
    Document& doc = CurrentDocument();
    for (int i = 0; i < kSlidesPerPage; ++i) {
        SlideRecord& r = doc.slides[i];
        r = SlideRecord{};
        r.picture = SamplePicture(i);
        r.keyColor = i % 2 ? KeyColor(qRgb(0, 255, 0)) : std::nullopt;
        r.switchTime = quint16(5 + i);
    }
    doc.slideCount = kSlidesPerPage;
    RecalcPages(*dlg);
    dlg->resize(1440, 810);
    dlg->show(); // a hidden widget gets a resize event at every render
    dlg->m_rebuildCells = true;
    return dlg;
}
