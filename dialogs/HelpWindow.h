#pragma once
// The help window: shows the user manual, a PDF file next to the executable, inside a
// resizable, maximised window titled with the manual's name.

#include <QDialog>
#include <QString>

class QPdfDocument;
class QPdfView;

class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    QString m_manualName;  ///< the manual's base name (string Msg::ManualName, "Manual")
    QString m_programPath; ///< the running executable's path; set by the constructor

    /// The manual's path: the executable's folder (with its trailing separator) plus
    /// `manual` and ".pdf"; empty when `exePath` has no separator.
    static QString ManualPath(const QString& exePath, const QString& manual);

    /// Finds and loads the manual. False when the window must not stay open: the
    /// executable's path has no folder (nothing shown), or the manual is missing
    /// (message Msg::ManualMissing).
    bool Initialize();

    QPdfView* view() const { return m_view; }
    QPdfDocument* document() const { return m_document; }

private:
    QPdfView* m_view = nullptr;
    QPdfDocument* m_document = nullptr;
};
