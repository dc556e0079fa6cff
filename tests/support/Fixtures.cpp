#include "tests/support/Fixtures.h"

#include "app/Screen.h"
#include "document/SlideTable.h"

void ClearSettings() {
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Varnholt"),
                ApplicationName());
    s.clear();
    s.sync();
}

PicturePtr MakeTestPicture(int w, int h, QColor fill) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(fill);
    return Picture::fromImage(img);
}

void ResetWorld() {
    ReleaseAllPictures();
    theApp().ResetToStartState();
    ClearSettings();
    SetScreenOverride(MakeScreen(1920, 1080));
}

void FillSlides(CEditState& ed, int n) {
    CP20417App& app = theApp();
    app.m_nSlideCount = 0;
    for (int i = 0; i < n; ++i) {
        SlideRecord& r = app.m_slides[i];
        r = SlideRecord{};
        r.pPicture = MakeTestPicture(4, 3);
        r.dwReserved1 = quint32(i);
        r.wSwitchTime = quint16(i + 1);
        r.crTransparent = COLOR_NONE;
    }
    app.m_nSlideCount = n;
    RecalcPages(ed);
}
