// The catalogues: every text of app/ and kit/ that users read goes through translation, every
// entry of every catalogue is translated and current, and the command line and the shortcut labels
// speak the language the environment asks for.

#include "app/base/Translations.h"

#include "app/base/AppSettings.h"
#include "app/core/CommandLine.h"
#include "app/shortcuts/HotKeyRecorder.h"
#include "tests/app/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

const QString sourceDir = QStringLiteral(GLIMPO_SOURCE_DIR);

// What lupdate finds in the sources that a catalogue lacks, has left over, or leaves
// untranslated: one line each.
QStringList staleEntries(const QString& catalogue) {
    QStringList stale;
    QFile file(catalogue);
    if (!file.open(QIODevice::ReadOnly)) return {catalogue + ": unreadable"};
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    bool translated = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"name") context = xml.readElementText();
        if (xml.isStartElement() && xml.name() == u"source") source = xml.readElementText();
        if (xml.isStartElement() && xml.name() == u"translation") {
            const QString type = xml.attributes().value("type").toString();
            translated = type.isEmpty() || type == u"finished";
            if (!translated) stale << QStringLiteral("%1 (%2): %3").arg(context, type, source);
            translated = translated && xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed().size() > 0;
            if (type.isEmpty() && !translated) stale << QStringLiteral("%1 (empty): %2").arg(context, source);
        }
    }
    return stale;
}

// String literals of a C++ source that read as sentences (two words or more, starting with a
// capital or ending in a full stop) and are neither inside a translation call nor a log line.
struct Literal {
    int line;
    QString text;
};

std::vector<Literal> untranslatedSentences(const QString& code) {
    static const QStringList translating{"tr", "translate", "QT_TR_NOOP", "QT_TRANSLATE_NOOP", "QT_TR_N_NOOP",
                                         "QT_TRANSLATE_N_NOOP", "KIT_TRANSLATABLE"};
    static const QStringList logging{"info", "notice", "error", "debug"};
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_]\\w*"));
    static const QRegularExpression sentence(QStringLiteral("^\\s*[A-Z]|[.…!?]\\s*$"));
    // Words apart: "Hidden=true", "X-KDE-Shortcuts" and "Name.moc" are keys and file names.
    static const QRegularExpression words(QStringLiteral("[A-Za-z]+[^\\w\\\\]*\\s[^\\w\\\\]*[A-Za-z]"));
    // Each open parenthesis: the function called and what it is called on.
    std::vector<std::pair<QString, QString>> calls;
    QStringList tokens;
    std::vector<Literal> found;
    bool continuing = false;
    int line = 1;
    for (qsizetype i = 0; i < code.size();) {
        const QChar c = code[i];
        if (code.mid(i, 2) == u"//" || code.mid(i, 2) == u"/*") {
            const bool block = code[i + 1] == u'*';
            const qsizetype end = code.indexOf(block ? QStringLiteral("*/") : QStringLiteral("\n"), i);
            const qsizetype next = end < 0 ? code.size() : end + (block ? 2 : 0);
            line += static_cast<int>(code.mid(i, next - i).count(u'\n'));
            i = next;
            continue;
        }
        if (c == u'"' || (c == u'\'' && !(i > 0 && code[i - 1].isLetterOrNumber()))) {
            qsizetype j = i + 1;
            QString text;
            while (j < code.size() && code[j] != c) {
                if (code[j] == u'\\') text += code[j++];
                text += code[j++];
            }
            i = j + 1;
            if (c == u'\'') continue;
            const bool translated = std::any_of(calls.begin(), calls.end(), [](const auto& call) {
                return translating.contains(call.first) ||
                       (logging.contains(call.first) && call.second.contains(QStringLiteral("og")));
            });
            if (continuing && !found.empty() && tokens.last() == u"\"") {
                found.back().text += text;
            } else if (!translated) {
                found.push_back({line, text});
            }
            continuing = !translated;
            tokens << QStringLiteral("\"");
            continue;
        }
        if (const auto name = identifier.match(code.mid(i, 64)); name.hasMatch()) {
            tokens << name.captured();
            i += name.capturedLength();
            continue;
        }
        if (c == u'(') {
            const qsizetype n = tokens.size();
            QString receiver = n >= 3 && (tokens[n - 2] == u"." || tokens[n - 2] == u"->") ? tokens[n - 3] : QString();
            // `settingsLog().error(`: the receiver is what was called before.
            if (receiver == u")" && n >= 5) receiver = tokens[n - 5];
            calls.emplace_back(n > 0 ? tokens.last() : QString(), receiver);
        }
        if (c == u')' && !calls.empty()) calls.pop_back();
        if (c == u'\n') ++line;
        if (code.mid(i, 2) == u"->") {
            tokens << QStringLiteral("->");
            i += 2;
            continue;
        }
        if (!c.isSpace()) tokens << QString(c);
        ++i;
    }
    std::erase_if(found, [](const Literal& literal) {
        return !literal.text.contains(words) || !literal.text.contains(sentence);
    });
    return found;
}

} // namespace

TEST(Translations, EveryCatalogueIsCompleteForWhatTheSourcesMark) {
    testsupport::TempDir dir;
    const QStringList catalogues = QDir(sourceDir + "/translations").entryList({"glimpo_*.ts"});
    ASSERT_TRUE(catalogues.contains("glimpo_it.ts") && catalogues.contains("glimpo_en.ts")) << catalogues.join(' ').toStdString();
    for (const QString& name : catalogues) {
        // lupdate over the sources, into a copy: what is new, gone or untranslated shows there.
        const QString copy = QString::fromStdString((dir / name.toStdString()).string());
        ASSERT_TRUE(QFile::copy(sourceDir + "/translations/" + name, copy));
        QStringList arguments{sourceDir + "/app", sourceDir + "/kit", "-I", sourceDir, "-extensions", "cpp,h"};
        arguments << QStringLiteral(GLIMPO_LUPDATE_OPTIONS).split(' ', Qt::SkipEmptyParts);
        arguments.removeAll("-no-obsolete");
        if (name == u"glimpo_en.ts") arguments << "-pluralonly";
        QProcess lupdate;
        lupdate.start(QStringLiteral(GLIMPO_LUPDATE), arguments << "-ts" << copy);
        ASSERT_TRUE(lupdate.waitForFinished(60000) && lupdate.exitCode() == 0) << lupdate.readAllStandardError().toStdString();
        EXPECT_EQ(staleEntries(copy).join('\n').toStdString(), "")
            << name.toStdString() << " is behind the sources: build the target update_translations and translate";
    }
}

TEST(Translations, EverySentenceUsersReadGoesThroughTranslation) {
    // Known English on purpose: window titles the tests find the panels by (they have no title
    // bar), the stored labels of keys, and the kit's shortcut parsing errors, which only the log reads.
    const QStringList english{"Glimpo Thumbnail",  "Glimpo Countdown", "Glimpo Notice",          "Glimpo Scrolling Capture",
                              "Glimpo All-in-One", "Glimpo selection", "Glimpo Recording Frame", "Scroll Lock"};
    const QStringList logOnly{"kit/HotKeyBindings.cpp", "kit/HotKeyCombination.cpp"};
    QStringList escaped;
    for (const QString folder : {"app", "kit"}) {
        QDirIterator files(sourceDir + "/" + folder, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QString path = QDir(sourceDir).relativeFilePath(file.fileName());
            if (logOnly.contains(path) || path == u"app/recognize.cpp") continue;
            for (const Literal& literal : untranslatedSentences(QString::fromUtf8(file.readAll()))) {
                if (!english.contains(literal.text)) escaped << QStringLiteral("%1:%2: %3").arg(path).arg(literal.line).arg(literal.text);
            }
        }
    }
    EXPECT_EQ(escaped.join('\n').toStdString(), "") << "wrap these in tr() or QT_TR_NOOP";

    // The scan itself: what it lets pass and what it catches.
    const auto scanned = untranslatedSentences(R"(log_.error("save failed reason={}", x); tr("Save it.");
        label->setText("Choose a folder"); // "A comment."
        settingsLog().notice("Kept aside."); QT_TR_NOOP("Two" " parts."); x = 1'000;
        throw kit::Error("The disk " "is full.");)");
    ASSERT_EQ(scanned.size(), 2u);
    EXPECT_EQ(scanned[0].text, "Choose a folder");
    EXPECT_EQ(scanned[1].text, "The disk is full.");
    EXPECT_EQ(scanned[1].line, 4);
}

// That a window's texts reach the user in Italian is the all-in-one bar's test; here the command
// line, and the shortcut labels, whose key names are the catalogue's too.
TEST(Translations, TheCommandLineAndTheShortcutLabelsSpeakItalian) {
    testsupport::TempDir dir;
    testsupport::ScopedEnv desktop{"XDG_CURRENT_DESKTOP", "GNOME"};
    const Translations italian(QLocale(QStringLiteral("it_IT")), QStringLiteral(GLIMPO_TRANSLATIONS_DIR));
    ASSERT_TRUE(italian.loaded());
    EXPECT_TRUE(CommandLine::usage(italian).starts_with("Uso: glimpo [OPZIONE]\n"));
    EXPECT_NE(CommandLine::usage(italian).find("--delay SECONDI"), std::string::npos);
    // A language without a catalogue reads English, with its plurals.
    for (const char* name : {"C", "de_DE"}) {
        const Translations other(QLocale(QString::fromLatin1(name)), QStringLiteral(GLIMPO_TRANSLATIONS_DIR));
        EXPECT_EQ(other.text("MarkupWindow", "Hide %n Boxes", 1), "Hide 1 Box") << name;
    }

    italian.install();
    AppSettings settings(std::make_unique<SettingsStore>(dir / "settings.json"));
    EXPECT_EQ(HotKeyRecorder(settings, kit::CaptureAction::area).recordButton()->text(), "Maiusc+Super+4");
    EXPECT_EQ(HotKeyRecorder(settings, kit::CaptureAction::text).recordButton()->text(), "Imposta scorciatoia");
}
