#include "base/Settings.h"
#include "base/CliPrompts.h"
#include "base/Messages.h"
#include "base/Prompts.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <gtest/gtest.h>

namespace {

QString settingsFile() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Varnholt"),
                     ApplicationName())
        .fileName();
}

TEST(Settings, AbsentValuesReadAsTheirDefaults) {
    ClearSettings();
    EXPECT_EQ(ReadSettingInt(Setting::EditorOpacity, 220), 220);
    EXPECT_EQ(ReadSettingString(Setting::LastDocument, QString()), QString());
    EXPECT_EQ(ReadSettingString(Setting::LastExport, QStringLiteral("x")), QStringLiteral("x"));
}

TEST(Settings, WritesAreStoredAtOnceUnderMakerAndApplication) {
    ClearSettings();
    WriteSettingInt(Setting::NewSlideSeconds, 20);
    WriteSettingString(Setting::LastDocument, QStringLiteral("/tmp/スライド.lsr"));
    // Another store object (as another copy of the program would) sees the values.
    QSettings other(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Varnholt"),
                    ApplicationName());
    EXPECT_EQ(other.value(QStringLiteral("SYS/AutoCng")).toInt(), 20);
    EXPECT_EQ(other.value(QStringLiteral("Last/FilePath")).toString(),
              QStringLiteral("/tmp/スライド.lsr"));
    EXPECT_TRUE(settingsFile().contains(QStringLiteral("Varnholt")));
}

TEST(Settings, ChangesMadeOutsideAreReadAtTheNextUse) {
    ClearSettings();
    WriteSettingInt(Setting::JpegQuality, 70);
    {
        QSettings other(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Varnholt"),
                        ApplicationName());
        other.setValue(QStringLiteral("KanSet/Quality"), 35);
    }
    EXPECT_EQ(ReadSettingInt(Setting::JpegQuality, 70), 35);
}

TEST(Settings, RecentDocumentsMostRecentFirstWithoutRepeatsAtMostEight) {
    const auto doc = [](int n) { return QStringLiteral("/docs/show%1.lsr").arg(n); };
    struct Row {
        const char* name;
        QList<int> remembered; // in the order they were opened or saved
        QList<int> listed;     // the list afterwards, the most recent first
    };
    const Row rows[] = {
        {"most recent first", {1, 2, 3}, {3, 2, 1}},
        {"a repeat moves to the head", {1, 2, 3, 1}, {1, 3, 2}},
        {"the same again changes nothing", {1, 1, 1}, {1}},
        {"the ninth pushes the oldest out", {1, 2, 3, 4, 5, 6, 7, 8, 9}, {9, 8, 7, 6, 5, 4, 3, 2}},
        {"a repeat of the oldest keeps all eight",
         {1, 2, 3, 4, 5, 6, 7, 8, 1},
         {1, 8, 7, 6, 5, 4, 3, 2}},
    };
    for (const Row& r : rows) {
        ClearSettings();
        for (int n : r.remembered)
            RememberRecentDocument(doc(n));
        QStringList expected;
        for (int n : r.listed)
            expected << doc(n);
        EXPECT_EQ(ReadRecentDocuments(), expected) << r.name;
    }
    // Stored under Recent/File1 to File8; the same file named another way is one entry,
    // a relative name is made absolute, and a forgotten entry closes the gap.
    ClearSettings();
    RememberRecentDocument(doc(1));
    RememberRecentDocument(QStringLiteral("/docs/./sub/../show1.lsr"));
    RememberRecentDocument(QStringLiteral("rel.lsr"));
    const QString absolute = QDir::current().absoluteFilePath(QStringLiteral("rel.lsr"));
    EXPECT_EQ(ReadRecentDocuments(), (QStringList{absolute, doc(1)}));
    QSettings other(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Varnholt"),
                    ApplicationName());
    EXPECT_EQ(other.value(QStringLiteral("Recent/File1")).toString(), absolute);
    ForgetRecentDocument(absolute);
    EXPECT_EQ(ReadRecentDocuments(), QStringList{doc(1)});
    other.sync();
    EXPECT_FALSE(other.contains(QStringLiteral("Recent/File2")));
    ClearSettings();
}

TEST(Settings, ValuesThatAreNotNumbersReadAsTheDefault) {
    ClearSettings();
    WriteSettingString(Setting::TitleMode, QStringLiteral("abc"));
    EXPECT_EQ(ReadSettingInt(Setting::TitleMode, 2), 2);
    WriteSettingInt(Setting::TitleMode, -7);
    EXPECT_EQ(ReadSettingInt(Setting::TitleMode, 2), -7);
}

TEST(Settings, DamagedFileGivesDefaultsWithoutCrashing) {
    ClearSettings();
    const QByteArray garbage[] = {
        QByteArray("\x00\xff\xfe[SYS\n=\n\x01\x02Trans", 17),
        QByteArray("[SYS]\nTrans=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\xff)\n"),
        QByteArray(4096, '['),
    };
    for (const QByteArray& bytes : garbage) {
        QDir().mkpath(QFileInfo(settingsFile()).path());
        QFile f(settingsFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        const int trans = ReadSettingInt(Setting::EditorOpacity, 220);
        EXPECT_TRUE(trans == 220 || (trans >= 0 && trans <= 255)) << trans;
        EXPECT_EQ(ReadSettingString(Setting::LastDocument, QStringLiteral("d")),
                  QStringLiteral("d"));
    }
    ClearSettings();
}

TEST(Messages, TableHoldsTheTextsWithLineBreaks) {
    EXPECT_EQ(MessageText(Msg::TooManySlides),
              QStringLiteral("作成可能なスライド数を超えるため追加できません"));
    EXPECT_EQ(MessageText(Msg::OverwriteQuestion),
              QStringLiteral(
                  "上書き保存しますか\n\n名前を付けて保存する -「いいえ」\n中止-「キャンセル」"));
    EXPECT_EQ(MessageText(Msg::ManualName), QStringLiteral("Manual"));
    EXPECT_EQ(MessageText(Msg(int(Msg::VersionHistory) + 1)),
              QStringLiteral("Ver. 1.01 2022.11.14 Windows 11対応\r\n"));
    EXPECT_TRUE(MessageText(Msg(30199)).isEmpty());
}

TEST(Messages, ShowMessagePutsThePrefixFirstAndSkipsUnknownIds) {
    TestPrompts tp;
    EXPECT_EQ(ShowMessage(Msg::OpenFailed, QStringLiteral("/x/y.lsr\n"), nullptr, MsgKind::Error),
              Answer::Ok);
    tp.answer(Answer::No);
    EXPECT_EQ(ShowMessage(Msg::DeleteSlideQuestion, QString(), nullptr, MsgKind::YesNo),
              Answer::No);
    EXPECT_EQ(ShowMessage(Msg(30199)), Answer::None);
    ASSERT_EQ(tp.messageIds(), (QList<Msg>{Msg::OpenFailed, Msg::DeleteSlideQuestion}));
    EXPECT_EQ(tp.calls[0].text, QStringLiteral("/x/y.lsr\nファイルのオープンに失敗しました"));
    EXPECT_EQ(tp.calls[1].kind, MsgKind::YesNo);
}

TEST(Messages, PipeFiltersBecomeQtFilters) {
    EXPECT_EQ(QtFilterFromPipes(QStringLiteral("ルセリオファイル(*.lsr)|*.lsr||")),
              QStringLiteral("ルセリオファイル(*.lsr)"));
    EXPECT_EQ(
        QtFilterFromPipes(QStringLiteral("実行ファイル(*.exe)|*.exe|すべてのファイル(*.*)|*.*||")),
        QStringLiteral("実行ファイル(*.exe);;すべてのファイル(*.*)"));
    EXPECT_EQ(QtFilterFromPipes(QStringLiteral("Images|*.bmp;*.png||")),
              QStringLiteral("Images (*.bmp *.png)"));
}

} // namespace

namespace {

TEST(Messages, CommandLinePromptsAnswerTheFirstButton) {
    CliPrompts cli;
    EXPECT_EQ(cli.message(Msg::TooManySlides, QStringLiteral("x"), MsgKind::Error, nullptr),
              Answer::Ok);
    EXPECT_EQ(cli.message(Msg::DeleteSlideQuestion, QStringLiteral("x"), MsgKind::YesNo, nullptr),
              Answer::Yes);
    EXPECT_EQ(
        cli.message(Msg::SaveChangesQuestion, QStringLiteral("x"), MsgKind::YesNoCancel, nullptr),
        Answer::Yes);
    EXPECT_TRUE(cli.openFileNames(FileDialogSpec{}, true).isEmpty());
    EXPECT_FALSE(cli.chooseColor(0, nullptr).has_value());
}

TEST(Messages, CommandLineLinesComeEnglishFirstOnOneLine) {
    struct Row {
        const char* name;
        Msg id;
        QString prefix;
        QString line;
    };
    const Row rows[] = {
        {"a file and its message", Msg::FileNotFound, QStringLiteral("pics/nothere.jpg\n"),
         QStringLiteral("luserio: file not found: pics/nothere.jpg: ファイルが見つかりません")},
        {"the system's reason stays as it is", Msg::WriteFailed,
         QStringLiteral("/t/show.lsr\nNo space left on device\n"),
         QStringLiteral("luserio: the file could not be written: /t/show.lsr: No space left on "
                        "device: ファイルの書き込みに失敗しました")},
        {"a message of two lines is one line", Msg::ExeExtensionRequired, QString(),
         QStringLiteral("luserio: a slideshow for Windows must be named *.exe: ") +
             MessageText(Msg::ExeExtensionRequired).replace(QLatin1Char('\n'), QLatin1Char(' '))},
        {"what a file is comes in English", Msg::NotADocument,
         QStringLiteral("photo.jpg\nJPEG 画像のファイルです\n"),
         QStringLiteral(
             "luserio: not a document (a .lsr file or a slideshow made by this "
             "program): photo.jpg: a JPEG picture: このファイルは開けません "
             "ルセリオのドキュメント (.lsr ファイル) か、ルセリオで作成したスライドショーの"
             "実行ファイルを指定してください")},
        {"an empty file", Msg::NotADocument, QStringLiteral("e.lsr\n空のファイルです\n"),
         QStringLiteral("luserio: not a document (a .lsr file or a slideshow made by this "
                        "program): e.lsr: an empty file: ") +
             MessageText(Msg::NotADocument).replace(QLatin1Char('\n'), QLatin1Char(' '))},
    };
    for (const Row& r : rows)
        EXPECT_EQ(CommandLineMessage(QStringLiteral("luserio"), r.id, r.prefix + MessageText(r.id)),
                  r.line)
            << r.name;
    // A line that only looks like a kind of file is passed on as it is.
    EXPECT_EQ(EnglishLine(QStringLiteral(" 画像のファイルです")),
              QStringLiteral(" 画像のファイルです"));
    EXPECT_EQ(EnglishLine(QStringLiteral("GIF 画像のファイルです")),
              QStringLiteral("a GIF picture"));
}

} // namespace
