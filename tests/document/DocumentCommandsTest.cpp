#include "base/Messages.h"
#include "document/DocumentCommands.h"
#include "document/DocumentStream.h"
#include "document/SlideTable.h"
#include "packaging/CabinetJob.h"
#include "packaging/WorkFolder.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

#if defined(Q_OS_UNIX)
#include "tests/support/FileSizeLimit.h"
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#endif

namespace {

class Commands : public ::testing::Test {
protected:
  void SetUp() override {
    ResetWorld();
    base = dir.path() + QLatin1Char('/');
    // A temporary folder of the test's own: its work files are its own.
    m_oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", tmp.path().toLocal8Bit());
  }
  void TearDown() override {
    qputenv("TMPDIR", m_oldTmp);
    ResetWorld();
  }

  /// A document of `n` slides saved at base + name; the document stays open.
  QString saved(const QString &name, int n) {
    TestPrompts p;
    NewDocument(ed);
    FillSlides(ed, n);
    CurrentDocument().header.backgroundLeft = qRgb(1, 2, 3);
    EXPECT_TRUE(WriteDocumentFile(base + name));
    return base + name;
  }
  void writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
  }
  QByteArray readFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  /// Whether every folder in the temporary folder (the working folder among
  /// them) is empty: no stream file outlives its command.
  bool workFolderEmpty() const {
    const QDir t(tmp.path());
    for (const QString &sub : t.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
      if (!QDir(t.filePath(sub)).isEmpty())
        return false;
    return true;
  }

  QTemporaryDir dir, tmp;
  QByteArray m_oldTmp;
  QString base;
  CountingEditState ed;
};

/// A runner whose packing always fails (as a full or read-only disk would make
/// it).
struct FailingPackRunner : CabinetJobRunner {
  bool run(CabinetJob &job) override {
    if (job.kind == CabinetJob::Kind::Pack) {
      ShowMessage(Msg::NoWriteAccess, QString(), nullptr, MsgKind::Info);
      return false;
    }
    return job.Run(nullptr);
  }
};

/// Runs every job as the processing dialog does, reporting to itself: it keeps
/// each job's kind and the last progress reported, and stops a job of the kind
/// `stop` at its first report, as a press of the dialog's cancel button would.
struct RecordingRunner : CabinetJobRunner, ProgressSink {
  std::optional<CabinetJob::Kind> stop;
  std::vector<CabinetJob::Kind> kinds;
  qint64 done = -1, total = -1;

  RecordingRunner() { SetCabinetJobRunner(this); }
  ~RecordingRunner() override { SetCabinetJobRunner(nullptr); }
  bool run(CabinetJob &job) override {
    kinds.push_back(job.kind);
    done = total = -1;
    m_stopping = stop == job.kind;
    return job.Run(this);
  }
  void progress(qint64 d, qint64 t) override {
    done = d;
    total = t;
  }
  bool cancelled() const override { return m_stopping && done >= 0; }

private:
  bool m_stopping = false;
};

using Kinds = std::vector<CabinetJob::Kind>;

/// The document stream of the open document.
QByteArray OpenDocumentStream() {
  QBuffer out;
  out.open(QIODevice::WriteOnly);
  EXPECT_TRUE(WriteDocumentStream(out));
  return out.data();
}

} // namespace

TEST_F(Commands, SaveThenOpenRestoresTheDocument) {
  const QString path = saved(QStringLiteral("Round.lsr"), 3);
  EXPECT_EQ(readFile(path).left(4), QByteArray("MSCF"));
  EXPECT_EQ(ReadSettingString(Setting::LastDocument, QString()), path);
  const QByteArray header = CurrentDocument().header.toBytes();
  NewDocument(ed);
  ClearSettings();
  TestPrompts p;
  ASSERT_TRUE(OpenDocument(path));
  const Document &doc = CurrentDocument();
  EXPECT_EQ(doc.slideCount, 3);
  EXPECT_EQ(doc.header.toBytes(), header);
  EXPECT_EQ(doc.slides[2].switchTime, 3);
  EXPECT_EQ(doc.slides[2].reserved1, 2u);
  EXPECT_EQ(GetPictureSize(doc.slides[2].picture), QSize(4, 3));
  EXPECT_EQ(doc.filePath, path);
  EXPECT_EQ(ReadSettingString(Setting::LastDocument, QString()), path);
  EXPECT_TRUE(p.calls.isEmpty());
  // The pictures read their bytes from the one work file the document was
  // extracted into; it goes with them.
  EXPECT_FALSE(workFolderEmpty());
  CurrentDocument().Clear();
  EXPECT_TRUE(workFolderEmpty());
}

TEST_F(Commands, OpenChecksAndTheirMessages) {
  saved(QStringLiteral("Good.lsr"), 1);
  QFile::rename(base + "Good.lsr", base + "Upper.LSR");
  QDir().mkdir(base + "folder.lsr");
  writeFile(base + "text.lsr", "this is no cabinet");
  writeFile(base + "x.txt", "text");
  // A cabinet whose member is not a document stream.
  writeFile(base + "member.bin", "GIF89a, not a document");
  {
    TestPrompts quiet;
    ASSERT_TRUE(
        PackFile(base + "member.bin", QStringLiteral("other.lsr"), base));
  }
  struct Row {
    const char *name;
    QString path;
    bool ok;
    std::optional<Msg> id; // none: no message
    QString prefix;        // before the message text
    int slidesAfter;
    bool pathTaken; // the document's path and the setting LastDocument become
                    // the path
  };
  const Row rows[] = {
      {"upper-case extension", base + "Upper.LSR", true, {}, {}, 1, true},
      {"not lsr: what it is, and what a document is", base + "x.txt", false,
       Msg::NotADocument, base + "x.txt\nテキストのファイルです\n", 2, false},
      {"a picture", base + "member.bin", false, Msg::NotADocument,
       base + "member.bin\nGIF 画像のファイルです\n", 2, false},
      {"missing, not lsr", base + "gone.txt", false, Msg::FileNotFound,
       base + "gone.txt\n", 2, false},
      {"missing", base + "none.lsr", false, Msg::FileNotFound,
       base + "none.lsr\n", 2, false},
      {"folder",
       base + "folder.lsr",
       false,
       Msg::FolderCannotOpen,
       {},
       2,
       false},
      {"no separator", QStringLiteral("relative.lsr"), false, {}, {}, 2, false},
      {"not a cabinet", base + "text.lsr", false, Msg::ExtractFailed,
       QStringLiteral("[File Copy]\n"), 2, false},
      {"member not a document",
       base + "other.lsr",
       false,
       Msg::WrongFileFormat,
       {},
       0,
       true},
  };
  for (const Row &r : rows) {
    ResetWorld();
    NewDocument(ed);
    FillSlides(ed, 2); // the current document
    CurrentDocument().filePath = QStringLiteral("/before.lsr");
    if (QString(r.name) == "no separator")
      writeFile(QDir::currentPath() + "/relative.lsr", "x");
    TestPrompts p;
    bool replaced = true;
    EXPECT_EQ(OpenDocument(r.path, &replaced), r.ok) << r.name;
    if (r.id) {
      ASSERT_EQ(p.messageIds(), QList<Msg>{*r.id}) << r.name;
      EXPECT_EQ(p.calls[0].text, r.prefix + MessageText(*r.id)) << r.name;
      EXPECT_EQ(p.calls[0].kind, MsgKind::Error) << r.name;
    } else {
      EXPECT_TRUE(p.calls.isEmpty()) << r.name;
    }
    EXPECT_EQ(CurrentDocument().slideCount, r.slidesAfter) << r.name;
    EXPECT_EQ(replaced, r.pathTaken) << r.name;
    EXPECT_EQ(CurrentDocument().filePath,
              r.pathTaken ? r.path : QStringLiteral("/before.lsr"))
        << r.name;
    EXPECT_EQ(ReadSettingString(Setting::LastDocument, QString()),
              r.pathTaken ? r.path : QString())
        << r.name;
    if (r.slidesAfter ==
        2) { // the previous document, pictures included, is untouched
      EXPECT_TRUE(CurrentDocument().slides[1].picture) << r.name;
    }
    QFile::remove(QDir::currentPath() + "/relative.lsr");
  }
}

#if defined(Q_OS_UNIX)
TEST_F(Commands, APipeNamedLikeADocumentIsRefusedAtOnce) {
  // Reading a pipe would wait for a writer that never comes (and the editor
  // would hang at every start with it remembered as the last document).
  const QString pipe = base + "pipe.lsr";
  ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  NewDocument(ed);
  FillSlides(ed, 2);
  TestPrompts p;
  EXPECT_FALSE(OpenDocument(pipe));
  ASSERT_EQ(p.messageIds(), QList<Msg>{Msg::NotARegularFile});
  EXPECT_EQ(p.calls[0].text, pipe + "\n" + MessageText(Msg::NotARegularFile));
  EXPECT_EQ(CurrentDocument().slideCount, 2);
  EXPECT_EQ(ReadSettingString(Setting::LastDocument, QString()), QString());
}
#endif

TEST_F(Commands, ASaveOntoAFullDiskNamesTheFileAndTheReason) {
  // The file size limit makes every write beyond 64 KiB fail, as a full disk
  // would.
  const QString path = saved(QStringLiteral("Full.lsr"), 1);
  const QByteArray before = readFile(path);
  CurrentDocument().slides[0].picture = MakeTestPicture(200, 200);
  TestPrompts p;
  bool written = true;
  {
    const FileSizeLimit limit(64 * 1024);
    ASSERT_TRUE(limit.active());
    written = WriteDocumentFile(path);
  }
  EXPECT_FALSE(written);
  ASSERT_EQ(p.messageIds(), QList<Msg>{Msg::SaveFailed});
  const QStringList lines = p.calls[0].text.split('\n');
  EXPECT_TRUE(lines.value(0).startsWith(tmp.path()))
      << lines.value(0).toStdString();
  EXPECT_TRUE(
      lines.value(1).contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
      << lines.value(1).toStdString();
  EXPECT_EQ(readFile(path), before);
  EXPECT_TRUE(workFolderEmpty());
}

#if defined(Q_OS_UNIX)
// The system's limits on names and paths (POSIX: ENAMETOOLONG).
TEST_F(Commands, ASaveUnderANameTooLongSaysSoNotAccessRights) {
    NewDocument(ed);
    FillSlides(ed, 2);
    QString deep = base; // short names, but beyond the system's path limit together
    while (deep.size() < 5000)
        deep += QStringLiteral("folder/");
    const QString reason = QString::fromLocal8Bit(std::strerror(ENAMETOOLONG));
    for (const QString& path :
         {base + QString(300, QLatin1Char('n')) + QStringLiteral(".lsr"), deep + "Doc.lsr"}) {
        SCOPED_TRACE(path.left(80).toStdString());
        TestPrompts p;
        ClearSettings();
        EXPECT_FALSE(WriteDocumentFile(path));
        ASSERT_EQ(p.messageIds(), QList<Msg>{Msg::WriteFailed});
        EXPECT_EQ(p.calls[0].text, path + "\n" + reason + "\n" + MessageText(Msg::WriteFailed));
        EXPECT_EQ(p.calls[0].kind, MsgKind::Error);
        EXPECT_EQ(ReadSettingString(Setting::LastDocument, QString()), QString());
        EXPECT_TRUE(QDir(base).isEmpty());
        EXPECT_TRUE(workFolderEmpty());
    }
}
#endif

TEST_F(Commands, AFailedPackKeepsThePreviousFileAndFails) {
  const QString path = saved(QStringLiteral("Keep.lsr"), 1);
  const QByteArray before = readFile(path);
  FillSlides(ed, 5);
  FailingPackRunner failing;
  SetCabinetJobRunner(&failing);
  TestPrompts p;
  ClearSettings();
  EXPECT_FALSE(WriteDocumentFile(path));
  SetCabinetJobRunner(nullptr);
  EXPECT_EQ(p.messageIds(), QList<Msg>{Msg::NoWriteAccess});
  EXPECT_EQ(readFile(path), before);
  EXPECT_EQ(ReadSettingString(Setting::LastDocument, QString()), QString());
  EXPECT_TRUE(workFolderEmpty());
}

TEST_F(Commands, SaveCommandFlows) {
  const QString path = base + QStringLiteral("Doc.lsr");
  struct Row {
    const char *name;
    QString filePath; // current document path
    Answer answer;    // to the overwrite question; None: no question expected
    QString saveAs; // answer of the save dialog ("" = cancel; null = no dialog)
    bool saveDialog;
    bool modifiedAfter;
    QList<Msg> ids;
    bool written;
  };
  const Row rows[] = {
      {"untitled goes to the dialog",
       QString(),
       Answer::None,
       path,
       true,
       false,
       {},
       true},
      {"untitled, dialog cancelled",
       QString(),
       Answer::None,
       QString(""),
       true,
       true,
       {},
       false},
      {"overwrite: Yes",
       path,
       Answer::Yes,
       QString(),
       false,
       false,
       {Msg::OverwriteQuestion, Msg::Saved},
       true},
      {"No: save as, no saved message",
       base + "Old.lsr",
       Answer::No,
       path,
       true,
       false,
       {Msg::OverwriteQuestion},
       true},
      {"Cancel: nothing",
       path,
       Answer::Cancel,
       QString(),
       false,
       true,
       {Msg::OverwriteQuestion},
       false},
  };
  for (const Row &r : rows) {
    QFile::remove(path);
    NewDocument(ed);
    FillSlides(ed, 2);
    CurrentDocument().filePath = r.filePath;
    ed.m_modified = true;
    TestPrompts p;
    if (r.answer != Answer::None)
      p.answer(r.answer);
    if (r.saveDialog)
      p.answerSave(r.saveAs);
    OnSaveCommand(ed);
    EXPECT_EQ(p.messageIds(), r.ids) << r.name;
    if (r.ids.contains(Msg::OverwriteQuestion)) {
      EXPECT_EQ(p.calls[0].kind, MsgKind::YesNoCancel) << r.name;
    }
    if (r.ids.contains(Msg::Saved)) {
      EXPECT_EQ(p.calls.last().kind, MsgKind::Info) << r.name;
    }
    EXPECT_EQ(ed.m_modified == 1, r.modifiedAfter) << r.name;
    EXPECT_EQ(QFile::exists(path), r.written) << r.name;
    if (r.saveDialog) {
      const PromptCall &d = r.ids.isEmpty() ? p.calls[0] : p.calls[1];
      EXPECT_EQ(d.type, PromptCall::SaveFile) << r.name;
      EXPECT_EQ(d.request.title, QStringLiteral("保存するファイルを指定"));
      EXPECT_EQ(d.request.filter,
                QStringLiteral("ルセリオファイル(*.lsr)|*.lsr||"));
      EXPECT_EQ(d.request.fileName, QStringLiteral("無題"));
      EXPECT_EQ(d.request.defaultExt, QStringLiteral("lsr"));
      if (r.written) {
        EXPECT_EQ(CurrentDocument().filePath, path) << r.name;
      }
    }
  }
  // Nothing happens to a document without slides.
  NewDocument(ed);
  CurrentDocument().filePath = path;
  TestPrompts p;
  OnSaveCommand(ed);
  EXPECT_TRUE(p.calls.isEmpty());
}

TEST_F(Commands, NewAndOpenAskAboutUnsavedChanges) {
  const QString path = saved(QStringLiteral("Other.lsr"), 3);
  { // New on an empty document does nothing, even with a path.
    NewDocument(ed);
    CurrentDocument().filePath = path;
    ed.m_modified = true;
    TestPrompts p;
    OnNewCommand(ed);
    EXPECT_TRUE(p.calls.isEmpty());
    EXPECT_EQ(CurrentDocument().filePath, path);
  }
  // Yes, then the save is cancelled or fails: neither New nor Open goes on, and
  // the document and its changes stay.
  for (const bool open : {false, true}) {
    for (const bool cancelled : {true, false}) {
      SCOPED_TRACE(std::string(open ? "Open" : "New") +
                   (cancelled ? ", cancelled" : ", failed"));
      FillSlides(ed, 2);
      CurrentDocument().filePath =
          cancelled ? QString() : base + "Unwritable.lsr";
      ed.m_modified = true;
      FailingPackRunner failing;
      if (!cancelled)
        SetCabinetJobRunner(&failing);
      TestPrompts p;
      p.answer(Answer::Yes);
      if (cancelled)
        p.answerSave(QString());
      open ? OnOpenCommand(ed) : OnNewCommand(ed);
      SetCabinetJobRunner(nullptr);
      EXPECT_EQ(p.messageIds().value(0), Msg::SaveChangesQuestion);
      EXPECT_EQ(p.calls[0].kind, MsgKind::YesNoCancel);
      for (const PromptCall &call : p.calls)
        EXPECT_NE(call.type, PromptCall::OpenFiles);
      EXPECT_EQ(CurrentDocument().slideCount, 2);
      EXPECT_TRUE(ed.m_modified);
    }
  }
  { // Yes and a save that succeeds: the New happens.
    FillSlides(ed, 2);
    CurrentDocument().filePath.clear();
    ed.m_modified = true;
    TestPrompts p;
    p.answer(Answer::Yes);
    p.answerSave(base + "Kept.lsr");
    const int redraws = ed.redraws;
    OnNewCommand(ed);
    EXPECT_EQ(p.messageIds(), QList<Msg>{Msg::SaveChangesQuestion});
    EXPECT_TRUE(QFile::exists(base + "Kept.lsr"));
    EXPECT_EQ(CurrentDocument().slideCount, 0);
    EXPECT_FALSE(ed.m_modified);
    EXPECT_GT(ed.redraws, redraws);
  }
  { // Cancel stops the New.
    FillSlides(ed, 2);
    ed.m_modified = true;
    TestPrompts p;
    p.answer(Answer::Cancel);
    OnNewCommand(ed);
    EXPECT_EQ(CurrentDocument().slideCount, 2);
  }
  { // Open: No, then a document of 3 slides opens on page 1, unmodified.
    FillSlides(ed, 25);
    ed.m_page = 1;
    ed.m_modified = true;
    TestPrompts p;
    p.answer(Answer::No);
    p.answerFiles({path});
    OnOpenCommand(ed);
    EXPECT_EQ(p.calls[1].type, PromptCall::OpenFiles);
    EXPECT_EQ(p.calls[1].request.title, QStringLiteral("ファイルを指定"));
    // Documents first; a slideshow made earlier carries one too.
    EXPECT_TRUE(p.calls[1].request.filter.startsWith(
        QStringLiteral("ルセリオファイル(*.lsr)|*.lsr|"
                       "スライドショーの実行ファイル(*.exe)|*.exe|")));
    EXPECT_EQ(CurrentDocument().slideCount, 3);
    EXPECT_EQ(ed.m_page, 0);
    EXPECT_EQ(ed.m_pageCount, 1);
    EXPECT_FALSE(ed.m_modified);
  }
  { // Open of a file that is no cabinet: the document and its changes stay.
    writeFile(base + "bad.lsr", "garbage");
    ed.m_modified = true;
    TestPrompts p;
    p.answer(Answer::No);
    p.answerFiles({base + "bad.lsr"});
    OnOpenCommand(ed);
    EXPECT_EQ(p.messageIds(),
              (QList<Msg>{Msg::SaveChangesQuestion, Msg::ExtractFailed}));
    EXPECT_EQ(CurrentDocument().slideCount, 3);
    EXPECT_TRUE(ed.m_modified);
  }
  { // Open on an unmodified document asks nothing; a cancelled dialog changes
    // nothing.
    ed.m_modified = false;
    TestPrompts p;
    p.answerFiles({});
    OnOpenCommand(ed);
    EXPECT_EQ(p.calls.size(), 1);
    EXPECT_EQ(CurrentDocument().slideCount, 3);
  }
}

TEST_F(Commands, StartDocument) {
  const QString path = saved(QStringLiteral("Last.lsr"), 2);
  struct Row {
    const char *name;
    QString cmd;
    int firstOpen;    // -1 = not stored
    QString filePath; // stored LastDocument
    int slides;
    QList<Msg> ids;
  };
  const Row rows[] = {
      {"nothing stored", QString(), -1, QString(), 0, {}},
      {"FirstOpen opens FilePath", QString(), 1, path, 2, {}},
      {"FirstOpen 0", QString(), 0, path, 0, {}},
      {"FirstOpen with empty FilePath", QString(), 1, QString(), 0, {}},
      {"deleted FilePath",
       QString(),
       1,
       base + "gone.lsr",
       0,
       {Msg::FileNotFound}},
      {"command line wins", path, 1, base + "gone.lsr", 2, {}},
      {"failing command line does not try FilePath",
       base + "gone.lsr",
       1,
       path,
       0,
       {Msg::FileNotFound}},
  };
  for (const Row &r : rows) {
    ResetWorld();
    if (r.firstOpen >= 0)
      WriteSettingInt(Setting::OpenLastAtStart, r.firstOpen);
    if (!r.filePath.isEmpty())
      WriteSettingString(Setting::LastDocument, r.filePath);
    CountingEditState fresh;
    TestPrompts p;
    OpenStartDocument(fresh, r.cmd);
    EXPECT_EQ(CurrentDocument().slideCount, r.slides) << r.name;
    EXPECT_EQ(p.messageIds(), r.ids) << r.name;
    EXPECT_EQ(fresh.m_pageCount, 1) << r.name;
    EXPECT_EQ(fresh.m_page, 0) << r.name;
    EXPECT_FALSE(fresh.m_modified) << r.name;
    EXPECT_EQ(CurrentDocument().filePath, r.slides ? path : QString())
        << r.name;
  }
}

TEST_F(Commands, ASparseSlideshowOpensInPlaceFromEveryWayIn) {
  // A two-slide document's stream in a slideshow whose trailer counts gigabytes
  // of zeros after it into the stream: the editor reads what the slides declare
  // where it lies, as a job of the processing dialog, and writes no work file.
  NewDocument(ed);
  FillSlides(ed, 2);
  const QByteArray stream = OpenDocumentStream();
  const QString show = base + "show";
  const QString why = WriteSparseSlideshow(show, "X", stream, qint64(4) << 30);
  if (!why.isEmpty())
    GTEST_SKIP() << why.toStdString();
  enum Way { CommandLine, LastAtStart, RecentMenu, OpenDialog };
  const struct Row {
    const char *name;
    Way way;
  } rows[] = {{"command line", CommandLine},
              {"the last document at start", LastAtStart},
              {"the recent menu", RecentMenu},
              {"the open dialog", OpenDialog}};
  for (const Row &r : rows) {
    SCOPED_TRACE(r.name);
    ResetWorld();
    CountingEditState fresh;
    TestPrompts p;
    RecordingRunner runner;
    switch (r.way) {
    case CommandLine:
      OpenStartDocument(fresh, show);
      break;
    case LastAtStart:
      WriteSettingInt(Setting::OpenLastAtStart, 1);
      WriteSettingString(Setting::LastDocument, show);
      OpenStartDocument(fresh, QString());
      break;
    case RecentMenu:
      OnOpenRecentCommand(fresh, show);
      break;
    case OpenDialog:
      p.answerFiles({show});
      OnOpenCommand(fresh);
      break;
    }
    EXPECT_TRUE(p.messageIds().isEmpty());
    EXPECT_EQ(runner.kinds, Kinds{CabinetJob::Kind::Read});
    EXPECT_EQ(runner.done, 2);
    EXPECT_EQ(runner.total, 2);
    EXPECT_EQ(CurrentDocument().slideCount, 2);
    EXPECT_TRUE(CurrentDocument().filePath.isEmpty());
    EXPECT_EQ(fresh.m_page, 0);
    EXPECT_FALSE(fresh.m_modified);
    EXPECT_FALSE(QFileInfo::exists(tmp.path() + "/" + WorkFolderName()));
    // Saving reads the pictures' bytes from the slideshow.
    EXPECT_EQ(OpenDocumentStream(), stream);
  }
}

TEST_F(Commands, AStoppedOpenLeavesTheDocumentAsItWas) {
  const QString document = saved(QStringLiteral("Doc.lsr"), 3);
  const QString show = base + "show";
  ASSERT_EQ(WriteSparseSlideshow(show, "X", OpenDocumentStream(), 0),
            QString());
  using Kind = CabinetJob::Kind;
  const struct Row {
    const char *name;
    QString path;
    Kind stop;
    Kinds ran;
  } rows[] = {
      {"extracting a document file", document, Kind::Extract, {Kind::Extract}},
      {"reading a document file",
       document,
       Kind::Read,
       {Kind::Extract, Kind::Read}},
      {"reading a slideshow", show, Kind::Read, {Kind::Read}},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.name);
    ResetWorld();
    NewDocument(ed);
    FillSlides(ed, 2);
    Document &doc = CurrentDocument();
    doc.filePath = QStringLiteral("/before.lsr");
    doc.header.backgroundLeft = qRgb(9, 8, 7);
    const QByteArray header = doc.header.toBytes();
    const PicturePtr first = doc.slides[0].picture,
                     second = doc.slides[1].picture;
    ed.m_modified = true;
    TestPrompts p;
    p.answer(Answer::No); // to keeping the changes
    RecordingRunner runner;
    runner.stop = r.stop;
    OnOpenPathCommand(ed, r.path);
    EXPECT_EQ(p.messageIds(), QList<Msg>{Msg::SaveChangesQuestion});
    EXPECT_EQ(runner.kinds, r.ran);
    EXPECT_EQ(doc.slideCount, 2);
    EXPECT_EQ(doc.slides[0].picture, first);
    EXPECT_EQ(doc.slides[1].picture, second);
    EXPECT_EQ(doc.header.toBytes(), header);
    EXPECT_EQ(doc.filePath, QStringLiteral("/before.lsr"));
    EXPECT_EQ(ReadSettingString(Setting::LastDocument, QString()), QString());
    EXPECT_TRUE(ed.m_modified);
    EXPECT_TRUE(workFolderEmpty());
  }
}

#if defined(Q_OS_UNIX)
TEST_F(Commands, AFullWorkFolderNamesTheOpenedFileAndTheReason) {
  // A document whose stream is larger than the work folder takes (the file size
  // limit stands in for a full disk), as a document file and as a slideshow.
  NewDocument(ed);
  FillSlides(ed, 1);
  CurrentDocument().slides[0].picture = MakeTestPicture(200, 200);
  const QString document = base + "Big.lsr";
  {
    TestPrompts quiet;
    ASSERT_TRUE(WriteDocumentFile(document));
  }
  const QString show = base + "big";
  ASSERT_EQ(WriteSparseSlideshow(show, "X", OpenDocumentStream(), 0),
            QString());
  ResetWorld();
  NewDocument(ed);
  FillSlides(ed, 2);
  TestPrompts p;
  bool documentOpened = true, showOpened = false;
  {
    const FileSizeLimit limit(64 * 1024);
    ASSERT_TRUE(limit.active());
    documentOpened = OpenDocument(document);
    ASSERT_EQ(CurrentDocument().slideCount, 2); // the previous document stays
    // A slideshow's document is read where it lies: it needs no work file.
    showOpened = OpenDocument(show);
  }
  EXPECT_FALSE(documentOpened);
  EXPECT_TRUE(showOpened);
  EXPECT_EQ(CurrentDocument().slideCount, 1);
  ASSERT_EQ(p.messageIds(), QList<Msg>{Msg::ExtractFailed});
  // The file the user opened, the system's reason on a line of its own, then
  // the text.
  const QStringList lines = p.calls[0].text.split('\n');
  ASSERT_EQ(lines.size(), 3) << p.calls[0].text.toStdString();
  EXPECT_EQ(lines[0].toStdString(), document.toStdString());
  EXPECT_TRUE(lines[1].contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
      << lines[1].toStdString();
  EXPECT_EQ(lines[2].toStdString(),
            MessageText(Msg::ExtractFailed).toStdString());
  EXPECT_TRUE(workFolderEmpty());
}
#endif
