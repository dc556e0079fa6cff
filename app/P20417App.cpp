#include "app/P20417App.h"

#include "app/Screen.h"

CP20417App& theApp() {
    static CP20417App app;
    return app;
}

bool CP20417App::CreateBackSurface() {
    const QSize size = Screen().full;
    if (size.isEmpty())
        return false;
    m_backImage = QImage(size, QImage::Format_ARGB32_Premultiplied);
    m_rcBackSaved = RECT32{};
    return !m_backImage.isNull();
}

void CP20417App::ResetToStartState() {
    m_header = DocHeader{};
    m_slides.fill(SlideRecord{});
    m_nSlideCount = 0;
    m_strFilePath.clear();
    m_strExtractName.clear();
    m_rcBackSaved = RECT32{};
}

QString FirstNonOptionArgument(const QStringList& args) {
    for (const QString& a : args) {
        if (!a.isEmpty() && !a.startsWith(QLatin1Char('-')))
            return a;
    }
    return {};
}
