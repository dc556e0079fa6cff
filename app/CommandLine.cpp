#include "app/CommandLine.h"

#include "base/Messages.h"
#include "base/Platform.h"
#include "base/Prompts.h"
#include "base/Settings.h"
#include "base/Version.h"
#include "document/Document.h"
#include "document/DocumentCommands.h"
#include "document/Picture.h"
#include "packaging/Executable.h"
#include "packaging/WorkFolder.h"

#include <QBuffer>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <iterator>

namespace {

QJsonValue colourValue(QRgb c) {
    return QString::asprintf("#%02X%02X%02X", qRed(c), qGreen(c), qBlue(c));
}

/// A transparent colour, or null for none.
QJsonValue colourValue(const KeyColor& key) {
    return key ? colourValue(*key) : QJsonValue(QJsonValue::Null);
}

QJsonObject headerObject(const DocumentHeader& h) {
    QJsonObject o;
    o[QStringLiteral("crBackLeft")] = colourValue(h.backgroundLeft);
    o[QStringLiteral("crBackRight")] = colourValue(h.backgroundRight);
    o[QStringLiteral("crBackCenter")] = colourValue(h.backgroundCenter);
    o[QStringLiteral("bShowPropButton")] = h.showPropertyButtons;
    const auto [left, top, right, bottom] = StoredCornersOf(h.slideshowRect);
    o[QStringLiteral("rcShowWindow")] = QJsonArray{left, top, right, bottom};
    o[QStringLiteral("bLoop")] = h.loop;
    o[QStringLiteral("bTimerSwitch")] = h.timerSwitch;
    o[QStringLiteral("crPreviewBack")] = colourValue(h.previewBackground);
    o[QStringLiteral("bTopMost")] = h.topMost;
    o[QStringLiteral("bFitToWindow")] = h.fitToWindow;
    QByteArray reserved(reinterpret_cast<const char*>(h.reserved.data()), int(h.reserved.size()));
    o[QStringLiteral("byReserved")] = QString::fromLatin1(reserved.toHex());
    return o;
}

QJsonObject slideObject(const SlideRecord& r) {
    QJsonObject o;
    // Sizes and formats come from the pictures' headers; no pixels are decoded and no
    // picture's bytes are read again, but the first ones of a picture the program does
    // not show.
    const QByteArray undecodedHead = r.picture ? QByteArray() : PictureHead(r.undecodedImage);
    QSize size = r.picture ? r.picture->size() : DeclaredPictureSize(undecodedHead);
    if (!size.isValid())
        size = QSize(0, 0); // no picture, or none the readers know
    o[QStringLiteral("width")] = size.width();
    o[QStringLiteral("height")] = size.height();
    o[QStringLiteral("transparentColor")] = colourValue(r.keyColor);
    o[QStringLiteral("switchTime")] = int(r.switchTime);
    o[QStringLiteral("flipH")] = int(r.flipH);
    o[QStringLiteral("flipV")] = int(r.flipV);
    QJsonValue format(QJsonValue::Null);
    qint64 length = 0;
    if (r.picture) {
        length = r.picture->savedSize();
        if (!r.picture->hasPixelsAtHand())
            format = QString::fromLatin1(r.picture->format());
        else
            format = QStringLiteral("bmp");
    } else if (!r.undecodedImage.isEmpty()) {
        length = r.undecodedImage.size();
        QByteArray bytes = undecodedHead;
        QBuffer buf(&bytes);
        buf.open(QIODevice::ReadOnly);
        const QByteArray f = QImageReader::imageFormat(&buf);
        if (!f.isEmpty())
            format = QString::fromLatin1(f);
    }
    o[QStringLiteral("imageFormat")] = format;
    o[QStringLiteral("imageBytes")] = double(length);
    // Whether the picture is one the program shows: its header declares a size within
    // the limit (no pixels are decoded to describe a document).
    o[QStringLiteral("decoded")] =
        r.picture != nullptr || (size.isValid() && !size.isEmpty() && !ExceedsPictureLimit(size));
    return o;
}

} // namespace

int PrintDocumentInfo(const QString& path, FILE* out) {
    const QString absolute =
        QFileInfo(path).isRelative() ? QFileInfo(path).absoluteFilePath() : path;
    OpenOptions look;
    look.remember = false;
    if (!OpenDocument(absolute, nullptr, look))
        return 1;
    const Document& doc = CurrentDocument();
    QJsonObject root;
    root[QStringLiteral("file")] = absolute;
    root[QStringLiteral("header")] = headerObject(doc.header);
    root[QStringLiteral("slideCount")] = doc.slideCount;
    QJsonArray slides;
    for (int i = 0; i < doc.slideCount; ++i)
        slides.append(slideObject(doc.slides[i]));
    root[QStringLiteral("slides")] = slides;
    const QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Indented);
    std::fwrite(json.constData(), 1, size_t(json.size()), out);
    std::fflush(out);
    return 0;
}

QString CompanionsText() {
    const QString folder = ProgramFolder();
    const auto line = [](const QString& what, const QString& path) {
        const bool found = QFileInfo(path).isFile();
        return QStringLiteral("  %1%2%3\n")
            .arg(what.leftJustified(16), path, found ? QString() : QStringLiteral(" (missing)"));
    };
    return QStringLiteral("Program folder: %1\n").arg(folder) +
           line(QStringLiteral("player runtime"), RuntimePath()) +
           line(QStringLiteral("Windows runtime"), RuntimePath(RuntimeTarget::Windows)) +
           line(QStringLiteral("manual"),
                folder + QLatin1Char('/') + MessageText(Msg::ManualName) + QStringLiteral(".pdf"));
}

QString VersionText(const QString& program) {
    return QStringLiteral("%1 %2 (%3)\n").arg(program, ProgramVersion(), BuildPlatform());
}

namespace {

/// One option of the command line, with the line `--help` gives it.
struct CliOption {
    QStringList names;
    QString value; ///< the value's name; empty for an option without one
    QString help;  ///< lines after the first are indented under it
};

const CliOption kHelp{{"h", "help"}, {}, "show this text and where the program's files are"};
const CliOption kVersion{{"version"}, {}, "print the version and the system it was built for"};
const CliOption kBuild{
    {"build"}, "OUT.lsr", "make a document of the IMAGEs, in order, and save it"};
const CliOption kInfo{{"info"}, "FILE", "print the document's header and slides as JSON"};
const CliOption kPlay{{"play"}, "FILE", "play the document as a slideshow, without the editor"};
const CliOption kExport{
    {"export-exe"}, "FILE.lsr", "write the document as a standalone slideshow OUT"};
const CliOption kMaxSize{{"max-size"},
                         "N|NxM|none",
                         "shrink pictures larger than N x N (or N x M) pixels\n"
                         "to fit, or keep every size (none); else the limit of\n"
                         "the settings (500 x 500 unless changed)"};
const CliOption kTime{{"time"}, "SECONDS", "seconds on show, 1 to 64800"};
const CliOption kKey{{"key"}, "COLOR", "the transparent colour: #RRGGBB, or none"};
const CliOption kFlip{
    {"flip"}, "h|v|hv|none", "mirror left to right (h), top to bottom (v), both, or not"};
const CliOption kTarget{{"target"},
                        "native|windows",
                        "the system the slideshow runs on: this one (native, the\n"
                        "default) or Windows (x86-64)"};
const CliOption kScreen{{"screen"},
                        "N",
                        "the screen to play on, counted from 1 (1 is the primary\n"
                        "screen); else the screen under the mouse pointer"};
const CliOption kPlatform{{"platform"},
                          "xcb|wayland",
                          "the window system: X11 (xcb, also through XWayland) or\n"
                          "Wayland; else X11 where an X server is (but Wayland\n"
                          "under sway and other wlroots compositors), else Wayland;\n"
                          "QT_QPA_PLATFORM does the same"};

/// The modes, in the order `--help` lists them.
const CliOption* const kModes[] = {&kBuild, &kInfo, &kPlay, &kExport, &kVersion, &kHelp};
/// Every option the command line knows.
const CliOption* const kAllOptions[] = {&kHelp,    &kVersion, &kBuild, &kInfo, &kPlay,   &kExport,
                                        &kMaxSize, &kTime,    &kKey,   &kFlip, &kScreen, &kTarget,
                                        &kPlatform};

QCommandLineOption OptionOf(const CliOption& option) {
    return option.value.isEmpty() ? QCommandLineOption(option.names, option.help)
                                  : QCommandLineOption(option.names, option.help, option.value);
}

/// The option's name as typed: "--build", "-h, --help".
QString Spelled(const CliOption& option) {
    QStringList forms;
    for (const QString& name : option.names)
        forms << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    return forms.join(QStringLiteral(", "));
}

/// The lines of `--help` for an entry: its head, then its help at column 26.
QString HelpLines(const QString& head, const QString& help) {
    constexpr int kColumn = 26;
    const QString indent(kColumn, QLatin1Char(' '));
    const QString first = QStringLiteral("  ") + head;
    QString lines = help;
    lines.replace(QLatin1Char('\n'), QLatin1Char('\n') + indent);
    // A long head takes a line of its own.
    if (first.size() < kColumn - 1)
        return first.leftJustified(kColumn) + lines + QLatin1Char('\n');
    return first + QLatin1Char('\n') + indent + lines + QLatin1Char('\n');
}

/// The lines of `--help` for `option`: its name and value, then its help.
QString HelpLines(const CliOption& option) {
    const QString value = option.value.isEmpty() ? QString() : QLatin1Char(' ') + option.value;
    return HelpLines(Spelled(option) + value, option.help);
}

/// The option named `name` (without its dashes); null for none.
const CliOption* OptionNamed(const QString& name) {
    for (const CliOption* option : kAllOptions) {
        if (option->names.contains(name))
            return option;
    }
    return nullptr;
}

/// A whole number written in plain decimal digits (no sign, spaces or "0x"); nothing
/// for any other text or for one too large for an int.
std::optional<int> DecimalOf(const QString& text) {
    if (text.isEmpty())
        return std::nullopt;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    return ok ? std::make_optional(number) : std::nullopt;
}

/// A switch time given with --time; nothing when it is no whole number of seconds in
/// the slides' range.
std::optional<int> SecondsOf(const QString& text) {
    const std::optional<int> seconds = DecimalOf(text);
    if (!seconds || *seconds < kMinSwitchTime || *seconds > kMaxSwitchTime)
        return std::nullopt;
    return seconds;
}

/// Whether `text` is `word` (lower-case ASCII) in any mix of ASCII cases.
bool IsWord(const QString& text, QLatin1String word) {
    if (text.size() != word.size())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const char16_t lower = c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
        if (lower != char16_t(uchar(word.at(i).toLatin1())))
            return false;
    }
    return true;
}

/// The value of one hexadecimal digit (0-9, A-F, a-f); -1 for any other character.
int HexDigitValue(QChar c) {
    static constexpr char kDigits[] = "0123456789abcdef";
    const char16_t u = c.unicode();
    const char16_t lower = u >= u'A' && u <= u'F' ? char16_t(u - u'A' + u'a') : u;
    for (int value = 0; value < 16; ++value) {
        if (lower == char16_t(kDigits[value]))
            return value;
    }
    return -1;
}

/// A colour given with --key: exactly '#' and six hexadecimal digits, or "none" (an
/// empty key).
std::optional<KeyColor> KeyOf(const QString& text) {
    if (IsWord(text, QLatin1String("none")))
        return std::make_optional<KeyColor>(std::nullopt);
    if (text.size() != 7 || text[0] != QLatin1Char('#'))
        return std::nullopt;
    uint rgb = 0;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0)
            return std::nullopt;
        rgb = rgb << 4 | uint(digit);
    }
    return KeyColor(QRgb(0xFF000000u | rgb));
}

/// The largest side --max-size takes.
constexpr int kMaxSizeSide = 99999;

/// A size limit given with --max-size: N (N x N), NxM (x or X) in plain digits from 1
/// to kMaxSizeSide, or none (pictures keep their size).
std::optional<SizeLimit> SizeLimitOf(const QString& text) {
    if (IsWord(text, QLatin1String("none")))
        return SizeLimit{false, 0, 0};
    const auto side = [](const QString& digits) -> std::optional<int> {
        const std::optional<int> n = DecimalOf(digits);
        if (!n || *n < 1 || *n > kMaxSizeSide)
            return std::nullopt;
        return n;
    };
    const qsizetype x = text.indexOf(QLatin1Char('x'), 0, Qt::CaseInsensitive);
    const std::optional<int> width = side(x < 0 ? text : text.left(x));
    const std::optional<int> height = x < 0 ? width : side(text.mid(x + 1));
    if (!width || !height)
        return std::nullopt;
    return SizeLimit{true, *width, *height};
}

/// The mirror flags given with --flip: h, v, hv (or vh), or none.
std::optional<std::pair<bool, bool>> FlipOf(const QString& text) {
    if (IsWord(text, QLatin1String("none")))
        return std::pair(false, false);
    if (IsWord(text, QLatin1String("h")))
        return std::pair(true, false);
    if (IsWord(text, QLatin1String("v")))
        return std::pair(false, true);
    if (IsWord(text, QLatin1String("hv")) || IsWord(text, QLatin1String("vh")))
        return std::pair(true, true);
    return std::nullopt;
}

/// Why `name`, given as `what`, names no file; empty when it names one. "-" is refused
/// as well: it would stand for standard input or output, which no mode uses.
QString FileNameError(const QString& what, const QString& name) {
    if (name.isEmpty())
        return QStringLiteral("%1 must name a file, not ''").arg(what);
    if (name == QLatin1String("-"))
        return QStringLiteral("%1 must name a file, not '-' (for a file named -, write ./-)")
            .arg(what);
    return {};
}

/// The parser's complaint in the words of the program's other lines (lower case, no
/// full stop, the option as typed): "unknown option '--bogus'", "--info needs FILE",
/// "--help takes no value".
QString ParserError(const QCommandLineParser& parser, const QStringList& args) {
    // The argument that names option `name`, as it was typed.
    const auto typed = [&args](const QString& name) {
        for (const QString& arg : args) {
            if (!arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("--"))
                continue;
            const QString bare = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
            if (bare.section(QLatin1Char('='), 0, 0) == name)
                return arg.section(QLatin1Char('='), 0, 0);
        }
        return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    };
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty())
        return QStringLiteral("unknown option '%1'").arg(typed(unknown.constFirst()));
    // The parser's other complaints name the option as typed: "Missing value after
    // '--info'.", "Unexpected value after '--help'.".
    const QString text = parser.errorText();
    const qsizetype open = text.indexOf(QLatin1Char('\''));
    const qsizetype close = text.lastIndexOf(QLatin1Char('\''));
    const QString given =
        open >= 0 && close > open ? text.mid(open + 1, close - open - 1) : QString();
    const QString name = given.mid(given.startsWith(QLatin1String("--")) ? 2 : 1);
    const CliOption* option = OptionNamed(name);
    if (option && text.startsWith(QLatin1String("Missing value")))
        return QStringLiteral("%1 needs %2").arg(given, option->value);
    if (option && text.startsWith(QLatin1String("Unexpected value")))
        return QStringLiteral("%1 takes no value").arg(given);
    // Anything else, in the same style.
    QString line = text;
    if (line.endsWith(QLatin1Char('.')))
        line.chop(1);
    if (!line.isEmpty())
        line[0] = line[0].toLower();
    return line;
}

/// --build's images in order, each with the settings named before it. The parser has
/// already checked the options and that each has its value; this walk keeps their
/// order, which the parser does not. An error leaves its text in `error`.
QList<BuildImage> BuildImagesOf(const QStringList& args, QString& error) {
    QList<BuildImage> images;
    BuildImage next;
    QString pending; // a setting not yet followed by an image
    bool onlyImages = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!onlyImages && arg == QLatin1String("--")) {
            onlyImages = true;
            continue;
        }
        if (onlyImages || arg.size() < 2 || !arg.startsWith(QLatin1Char('-'))) {
            error = FileNameError(QStringLiteral("--build IMAGE"), arg);
            if (!error.isEmpty())
                return {};
            next.path = arg;
            images << next;
            pending.clear();
            continue;
        }
        QString name = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
        QString value;
        if (const qsizetype equals = name.indexOf(QLatin1Char('=')); equals >= 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        } else if (const CliOption* option = OptionNamed(name);
                   option && !option->value.isEmpty()) {
            value = args.value(++i);
        }
        const QString given = QStringLiteral("--%1 %2").arg(name, value);
        if (name == QLatin1String("time")) {
            next.switchTime = SecondsOf(value);
            if (!next.switchTime) {
                error = QStringLiteral("--time needs whole seconds from %1 to %2, not '%3'")
                            .arg(kMinSwitchTime)
                            .arg(kMaxSwitchTime)
                            .arg(value);
                return {};
            }
            pending = given;
        } else if (name == QLatin1String("key")) {
            next.keyColor = KeyOf(value);
            if (!next.keyColor) {
                error = QStringLiteral("--key needs a colour #RRGGBB or none, not '%1'").arg(value);
                return {};
            }
            pending = given;
        } else if (name == QLatin1String("flip")) {
            const std::optional<std::pair<bool, bool>> flip = FlipOf(value);
            if (!flip) {
                error = QStringLiteral("--flip needs h, v, hv or none, not '%1'").arg(value);
                return {};
            }
            next.flipH = flip->first;
            next.flipV = flip->second;
            pending = given;
        }
    }
    if (!pending.isEmpty()) {
        error = QStringLiteral("%1 comes after the last IMAGE: it applies to the images after it")
                    .arg(pending);
        return {};
    }
    if (images.isEmpty())
        error = QStringLiteral("--build needs OUT.lsr and at least one IMAGE");
    return images;
}

} // namespace

ParsedCommandLine ParseCommandLine(const QStringList& args) {
    ParsedCommandLine result;
    Invocation& inv = result.invocation;
    QString& error = result.error;

    QCommandLineParser parser;
    // "-play" is "--play", as "-h" is "--help": no option is a bundle of letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const CliOption* option : kAllOptions)
        parser.addOption(OptionOf(*option));
    if (!parser.parse(QStringList{QStringLiteral("luserio")} + args)) {
        error = ParserError(parser, args);
        return result;
    }
    const auto given = [&parser](const CliOption& option) {
        return parser.isSet(option.names.constLast());
    };
    const auto value = [&parser](const CliOption& option) {
        return parser.value(option.names.constLast());
    };
    if (given(kHelp)) {
        inv.mode = CliMode::Help;
        return result;
    }
    const CliOption* mode = nullptr;
    for (const CliOption* option : kModes) {
        if (!given(*option))
            continue;
        if (mode) {
            error = QStringLiteral("%1 and %2 cannot be used together: choose one mode")
                        .arg(Spelled(*mode), Spelled(*option));
            return result;
        }
        if (parser.values(option->names.constLast()).size() > 1) {
            error = QStringLiteral("%1 is given more than once").arg(Spelled(*option));
            return result;
        }
        mode = option;
    }
    // The settings belong to one mode each.
    for (const auto& [option, owner] :
         {std::pair(&kMaxSize, &kBuild), std::pair(&kTime, &kBuild), std::pair(&kKey, &kBuild),
          std::pair(&kFlip, &kBuild), std::pair(&kScreen, &kPlay), std::pair(&kTarget, &kExport)}) {
        if (given(*option) && mode != owner) {
            error = QStringLiteral("%1 applies only to %2").arg(Spelled(*option), Spelled(*owner));
            return result;
        }
    }
    // The window system is chosen for the modes that open windows.
    if (given(kPlatform)) {
        if (mode && mode != &kPlay) {
            error = QStringLiteral("%1 applies only to the editor and %2")
                        .arg(Spelled(kPlatform), Spelled(kPlay));
            return result;
        }
        inv.platform = value(kPlatform);
        if (inv.platform.isEmpty()) {
            error = QStringLiteral("--platform needs xcb or wayland, not ''");
            return result;
        }
    }
    const QStringList positional = parser.positionalArguments();
    const auto allowPositional = [&](qsizetype count) {
        if (positional.size() <= count)
            return true;
        error = QStringLiteral("unexpected argument '%1'").arg(positional.at(count));
        return false;
    };
    if (!mode) {
        inv.mode = CliMode::Editor;
        if (allowPositional(1) && !positional.isEmpty()) {
            inv.file = positional.constFirst();
            error = FileNameError(QStringLiteral("FILE"), inv.file);
        }
    } else if (mode == &kVersion) {
        inv.mode = CliMode::Version;
        allowPositional(0);
    } else if (mode == &kInfo) {
        inv.mode = CliMode::Info;
        inv.file = value(kInfo);
        error = FileNameError(QStringLiteral("--info FILE"), inv.file);
        if (error.isEmpty())
            allowPositional(0);
    } else if (mode == &kPlay) {
        inv.mode = CliMode::Play;
        inv.file = value(kPlay);
        error = FileNameError(QStringLiteral("--play FILE"), inv.file);
        if (error.isEmpty() && given(kScreen)) {
            const std::optional<int> screen = DecimalOf(value(kScreen));
            if (!screen || *screen < 1)
                error = QStringLiteral("--screen needs a screen number from 1, not '%1'")
                            .arg(value(kScreen));
            else
                inv.screen = *screen;
        }
        if (error.isEmpty())
            allowPositional(0);
    } else if (mode == &kExport) {
        inv.mode = CliMode::ExportExe;
        inv.file = value(kExport);
        error = FileNameError(QStringLiteral("--export-exe FILE.lsr"), inv.file);
        if (error.isEmpty() && given(kTarget)) {
            const QString target = value(kTarget);
            if (IsWord(target, QLatin1String("windows")))
                inv.target = RuntimeTarget::Windows;
            else if (!IsWord(target, QLatin1String("native")))
                error = QStringLiteral("--target needs native or windows, not '%1'").arg(target);
        }
        if (error.isEmpty() && positional.isEmpty()) {
            error = QStringLiteral("--export-exe needs FILE.lsr and OUT");
        } else if (error.isEmpty() && allowPositional(1)) {
            inv.output = positional.constFirst();
            error = FileNameError(QStringLiteral("--export-exe OUT"), inv.output);
        }
    } else if (mode == &kBuild) {
        inv.mode = CliMode::Build;
        inv.file = value(kBuild);
        error = FileNameError(QStringLiteral("--build OUT.lsr"), inv.file);
        // Only a name ending in .lsr opens as a document again; any other would be a
        // file lost, or an image overwritten when OUT.lsr was left out before the IMAGEs.
        if (error.isEmpty() && !inv.file.endsWith(QLatin1String(".lsr"), Qt::CaseInsensitive))
            error = QStringLiteral("--build OUT.lsr must end in .lsr, not '%1'").arg(inv.file);
        // One size limit for the whole run.
        if (error.isEmpty() && given(kMaxSize)) {
            const QStringList values = parser.values(kMaxSize.names.constLast());
            inv.maxSize = SizeLimitOf(values.constLast());
            if (values.size() > 1)
                error = QStringLiteral("--max-size is given more than once");
            else if (!inv.maxSize)
                error = QStringLiteral("--max-size needs N, NxM (whole pixels from 1 to %1) or "
                                       "none, not '%2'")
                            .arg(kMaxSizeSide)
                            .arg(values.constLast());
        }
        if (error.isEmpty())
            inv.images = BuildImagesOf(args, error);
    }
    return result;
}

QString UsageText(const QString& program) {
#if defined(Q_OS_WIN)
    const QString exe = QStringLiteral(".exe");
#else
    const QString exe;
#endif
    QString text;
    QTextStream out(&text);
    const QString indent(program.size() + 8, QLatin1Char(' '));
    out << "Usage: " << program << " [FILE] [--platform xcb|wayland]\n"
        << indent.left(7) << program
        << " --build OUT.lsr [--max-size N|NxM|none] [--time SECONDS] [--key COLOR]\n"
        << indent << "                [--flip h|v|hv|none] IMAGE...\n"
        << indent.left(7) << program << " --info FILE\n"
        << indent.left(7) << program << " --play FILE [--screen N] [--platform xcb|wayland]\n"
        << indent.left(7) << program << " --export-exe FILE.lsr OUT [--target native|windows]\n"
        << indent.left(7) << program << " --version\n"
        << indent.left(7) << program << " --help\n"
        << "\nModes:\n"
        << HelpLines(QStringLiteral("FILE"),
                     QStringLiteral("open the editor with this document: a .lsr file, or a\n"
                                    "standalone slideshow (the document it carries)"));
    for (const CliOption* option : kModes)
        out << HelpLines(*option);
    out << "\nOptions of --build, for the whole document:\n"
        << HelpLines(kMaxSize) << "Options of --build, for the IMAGEs after them:\n"
        << HelpLines(kTime) << HelpLines(kKey) << HelpLines(kFlip) << "Options of --play:\n"
        << HelpLines(kScreen) << "Options of --export-exe:\n"
        << HelpLines(kTarget) << "Options of the editor and --play:\n"
        << HelpLines(kPlatform) << "\nExamples:\n"
        << "  " << program << " show.lsr\n"
        << "  " << program << " --build show.lsr --time 5 title.png --time 3 photos/*.jpg\n"
        << "  " << program << " --build logo.lsr --key '#FFFFFF' --flip h logo.png\n"
        << "  " << program << " --build album.lsr --max-size 1920x1080 photos/*.jpg\n"
        << "  " << program << " --info show.lsr\n"
        << "  " << program << " --play show.lsr --screen 2\n"
        << "  " << program << " --play show.lsr --platform wayland\n"
        << "  " << program << " --export-exe show.lsr show" << exe << "\n"
        << "  " << program << " --export-exe show.lsr show.exe --target windows\n"
        << "  " << program << " show" << exe
        << "    (the document inside a slideshow made earlier)\n"
        << "  " << program << " --version\n"
        << "\nExit codes:\n"
        << "  0  done\n"
        << "  1  the work failed: a document or an image could not be read, an image was\n"
        << "     left out, or a file could not be written (the reason is on standard error)\n"
        << "  2  wrong command line: an unknown option, a missing or wrong value (one line\n"
        << "     and this usage on standard error)\n";
    return text;
}

namespace {

QString ProgramName(const char* argv0) {
    return QFileInfo(QString::fromLocal8Bit(argv0)).completeBaseName();
}

void Print(std::FILE* to, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fflush(to);
}

/// `--export-exe FILE.lsr OUT`: opens the document and writes the standalone slideshow
/// for `runtime`; messages go to standard error. 0 on success.
int ExportExecutable(int argc, char** argv, const QString& document, const QString& output,
                     RuntimeTarget runtime) {
    QCoreApplication app(argc, argv);
    NameApplicationAfterExecutable();
    RemoveStaleWorkFilesOnce();
    InstallImageLimits();
    int rc = 1;
    const QString target = QFileInfo(output).absoluteFilePath();
    if (const std::optional<Msg> problem = CheckExecutableTarget(target, runtime))
        ShowMessage(*problem);
    else if (OpenDocument(QFileInfo(document).absoluteFilePath(), nullptr, OpenOptions{false}) &&
             CreateExecutable(target, {}, runtime))
        rc = 0;
    CurrentDocument().Clear();
    return rc;
}

/// `--info FILE`: the document described on standard output.
int DescribeDocument(int argc, char** argv, const QString& document) {
    // No display is needed: a core application decodes images and reads files.
    QCoreApplication app(argc, argv);
    NameApplicationAfterExecutable();
    RemoveStaleWorkFilesOnce();
    InstallImageLimits();
    // Looking at a document is not opening it in the editor: the last-file memory of
    // the user's settings stays as it is.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    const int rc = PrintDocumentInfo(document, stdout);
    CurrentDocument().Clear();
    return rc;
}

} // namespace

int ReportWrongCommandLine(const char* argv0, const QString& error) {
    const QString program = ProgramName(argv0);
    // The reason stays on one line whatever a value it quotes holds: control characters
    // are written as escapes (\n, \t, \x1b).
    QString line;
    for (const QChar c : error) {
        if (c == QLatin1Char('\n'))
            line += QLatin1String("\\n");
        else if (c == QLatin1Char('\t'))
            line += QLatin1String("\\t");
        else if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line ||
                 c.category() == QChar::Separator_Paragraph)
            line += c.unicode() < 0x100
                        ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'))
                        : QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            line += c;
    }
    Print(stderr, QStringLiteral("%1: %2\n\n").arg(program, line) + UsageText(program));
    return 2;
}

int RunWindowlessMode(int argc, char** argv, const Invocation& inv) {
    switch (inv.mode) {
    case CliMode::Help: {
        QCoreApplication app(argc, argv);
        Print(stdout, UsageText(ProgramName(argv[0])) + QLatin1Char('\n') + CompanionsText());
        return 0;
    }
    case CliMode::Version:
        Print(stdout, VersionText(ProgramName(argv[0])));
        return 0;
    case CliMode::Info:
        return DescribeDocument(argc, argv, inv.file);
    case CliMode::ExportExe:
        return ExportExecutable(argc, argv, inv.file, inv.output, inv.target);
    case CliMode::Build:
        return RunBuildMode(argc, argv, inv.file, inv.images, inv.maxSize);
    case CliMode::Editor:
    case CliMode::Play:
        break;
    }
    return -1;
}
