// The rules end to end: each tests/rules/*.zrs is a replay script whose "> ..." lines are what
// the line above prints; "a; b" is two commands, "? TARGET = VALUE" prints TARGET and holds the
// value, a sound's five-line play sequence folds into "@T play CONTROL FILE", and "#! record
// BYTES" writes the record file first. ZELTO_UPDATE_RULES=1 rewrites them from what is printed.
#include "replay/replay.h"
#include "replay/script_text.h"
#include "test_support.h"

#include <QtTest>
#include <regex>
#include <sstream>

using namespace zelto;
using namespace zelto::test;

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

struct SoundLine {
    std::string at, control, property, value;
};

std::optional<SoundLine> soundLine(const std::string& line) {
    static const std::regex form(R"((@\d+) sound (\w+) (\w+) (".*"))");
    std::smatch m;
    if (!std::regex_match(line, m, form))
        return std::nullopt;
    return SoundLine{m[1], m[2], m[3], m[4]};
}

/// Close, WaveAudio, a file, Open and Play on one control at one moment become one line.
std::vector<std::string> foldPlaySequences(const std::vector<std::string>& lines) {
    static const std::array<std::pair<std::string_view, std::string_view>, 5> kSequence{{
        {"Command", "\"Close\""},
        {"DeviceType", "\"WaveAudio\""},
        {"FileName", ""}, // any file
        {"Command", "\"Open\""},
        {"Command", "\"Play\""},
    }};
    std::vector<std::string> folded;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto first = soundLine(lines[i]);
        std::size_t n = 0;
        for (; first && n < kSequence.size() && i + n < lines.size(); ++n) {
            const auto s = soundLine(lines[i + n]);
            const auto& [property, value] = kSequence[n];
            if (!s || s->at != first->at || s->control != first->control ||
                s->property != property || (!value.empty() && s->value != value))
                break;
        }
        if (n < kSequence.size()) {
            folded.push_back(lines[i]);
            continue;
        }
        folded.push_back(first->at + " play " + first->control + " " +
                         soundLine(lines[i + 2])->value);
        i += kSequence.size() - 1;
    }
    return folded;
}

/// The commands of one line: "a; b" holds two, unless the "; " stands inside quotes.
std::vector<std::string> commandsOf(const std::string& line) {
    std::vector<std::string> commands(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"' && (i == 0 || line[i - 1] != '\\'))
            quoted = !quoted;
        if (!quoted && line.compare(i, 2, "; ") == 0) {
            commands.emplace_back();
            ++i;
            continue;
        }
        commands.back() += line[i];
    }
    return commands;
}

/// The script as it should read: each line followed by what its commands print now.
/// "? TARGET = VALUE" (or "? OBJECT: ...") prints TARGET and holds what it printed.
std::string transcript(const std::vector<std::string>& script, const QString& folder) {
    std::ostringstream out;
    ReplayDriver driver(out, folder.toStdString(), &out);
    std::string result;
    const auto run = [&](const std::string& command) {
        out.str("");
        const auto error = driver.execute(command);
        std::vector<std::string> printed = foldPlaySequences(linesOf(out.str()));
        if (error)
            printed.push_back("! " + *error);
        return printed;
    };
    for (const std::string& line : script) {
        if (line.rfind("> ", 0) == 0)
            continue;
        if (line.rfind("#! record ", 0) == 0) // the bytes as the game prints them: "0\r\n"
            writeFile(folder.toStdString() + "/record.dat", unquote(line.substr(10)).value());
        std::vector<std::string> printed;
        if (line.rfind("? ", 0) == 0) {
            const std::string target = line.substr(2, line.find_first_of("=:") - 2);
            printed = run("print " + target.substr(0, target.find_last_not_of(' ') + 1));
            if (printed.size() == 1 && printed[0].rfind("! ", 0) != 0) {
                result += "? " + printed[0] + "\n";
                continue;
            }
            result += line + "\n";
        } else {
            result += line + "\n";
            const bool comment = line.rfind('#', 0) == 0;
            for (const std::string& command :
                 comment ? std::vector<std::string>{} : commandsOf(line))
                for (const std::string& p : run(command))
                    printed.push_back(p);
        }
        for (const std::string& p : printed)
            result += "> " + p + "\n";
    }
    return result;
}

} // namespace

class Rules : public QObject {
    Q_OBJECT

private slots:
    void scriptPrintsWhatItSays_data() {
        QTest::addColumn<QString>("path");
        const QDir rules(ZELTO_SOURCE_DIR "/tests/rules");
        const QStringList files = rules.entryList({QStringLiteral("*.zrs")}, QDir::Files);
        QVERIFY(!files.isEmpty());
        for (const QString& file : files)
            QTest::newRow(qPrintable(file)) << rules.filePath(file);
    }
    void scriptPrintsWhatItSays() {
        QFETCH(QString, path);
        const std::string expected = readFile(path.toStdString());
        QTemporaryDir folder;
        const std::string actual = transcript(linesOf(expected), folder.path());
        if (qEnvironmentVariableIsSet("ZELTO_UPDATE_RULES")) {
            writeFile(path.toStdString(), actual);
            return;
        }
        const auto want = linesOf(expected), got = linesOf(actual);
        const auto [w, g] = std::mismatch(want.begin(), want.end(), got.begin(), got.end());
        const auto text = [](auto at, auto end) {
            return QString::fromStdString(at == end ? "(end)" : *at);
        };
        if (w != want.end() || g != got.end())
            QFAIL(qPrintable(QStringLiteral("%1:%2: expected \"%3\", printed \"%4\"")
                                 .arg(path)
                                 .arg(w - want.begin() + 1)
                                 .arg(text(w, want.end()), text(g, got.end()))));
    }

    void theProgramReadsAFileOrStandardInput() {
        QTemporaryDir dir;
        writeFile(dir.filePath("script").toStdString(), "open\nprint Image1.Top\n");
        QProcess fromFile;
        fromFile.setWorkingDirectory(dir.path());
        fromFile.start(ZELTO_BUILD_DIR "/zelto-replay", {dir.filePath("script")});
        QVERIFY(fromFile.waitForFinished());
        QVERIFY(fromFile.readAllStandardOutput().endsWith("Image1.Top = 7440\n"));
        QVERIFY(QFileInfo::exists(dir.filePath("record.dat")));
        QProcess fromInput;
        fromInput.start(ZELTO_BUILD_DIR "/zelto-replay", {});
        fromInput.write("open\nbogus\nprint Image1.Top\n");
        fromInput.closeWriteChannel();
        QVERIFY(fromInput.waitForFinished());
        QCOMPARE(fromInput.exitCode(), 2);
        QCOMPARE(fromInput.readAllStandardError(), QByteArray("line 2: unknown command bogus\n"));
        QVERIFY(!fromInput.readAllStandardOutput().contains("Image1.Top"));
    }
};

QTEST_GUILESS_MAIN(Rules)
#include "test_rules.moc"
