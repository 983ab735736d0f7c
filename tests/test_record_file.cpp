// The record file: its bytes, the one file behind every spelling, and the ways it can fail.
#include "scoring/record_file.h"
#include "test_support.h"

#include <QtTest>
#include <csignal>
#include <iterator>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zelto;
using namespace zelto::test;
namespace fs = std::filesystem;

class RecordFileTest : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> dir;
    fs::path folder, file;

private slots:
    void init() {
        dir.emplace();
        folder = dir->path().toStdString();
        file = folder / "record.dat";
        // A read that blocks or a write loop that retries forever ends the run with SIGALRM.
        ::alarm(10);
    }

    void readCreatesAMissingFileAndGivesTheStartOfAFile() {
        RecordFile record(folder);
        QCOMPARE(record.read(), std::string());
        QCOMPARE(readFile(file), std::string());
        const std::string bytes = std::string("1500\r\n\0x", 8).append(200 * 1024, 'x');
        writeFile(file, bytes);
        QCOMPARE(record.read(), bytes.substr(0, RecordFile::kMaxRead));
    }

    // Only a regular file, or a link that leads nowhere, is replaced; the rest stays as it is,
    // with one warning that says why.
    void writeOnlyOverARegularFile_data() {
        QTest::addColumn<QString>("reason"); // none: written
        QTest::newRow("directory") << ": it is not a regular file";
        QTest::newRow("link to a fifo") << ": it leads to something not a regular file";
        QTest::newRow("dangling link") << QString();
        QTest::newRow("link loop") << QString();
        QTest::newRow("blocked temporary") << ": File exists";
        // A disk that fills mid-write: only EINTR may be retried.
        QTest::newRow("full") << ": File too large";
    }
    void writeOnlyOverARegularFile() {
        QFETCH(QString, reason);
        const QString kind = QTest::currentDataTag();
        if (kind == "directory")
            fs::create_directory(file);
        else if (kind == "link to a fifo")
            QCOMPARE(::mkfifo((folder / "fifo").c_str(), 0600), 0);
        if (kind.contains("link"))
            fs::create_symlink(kind == "link loop"     ? "record.dat"
                               : kind.contains("fifo") ? "fifo"
                                                       : "nowhere",
                               file);
        if (kind == "blocked temporary" || kind == "full")
            writeFile(file, "1500\r\n");
        if (kind == "blocked temporary")
            fs::create_directory(folder / (".record.dat." + std::to_string(::getpid()) + ".tmp"));
        std::error_code ignored;
        const auto entry = fs::symlink_status(file).type();
        const auto behind = fs::status(file, ignored).type();
        const auto openFiles = [] {
            return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
        };
        const auto filesBefore = openFiles();
        RecordingHost host;
        RecordFile record(folder, &host);
        if (reason.isNull()) // reading a link that leads nowhere must not create its target
            QCOMPARE(record.read(), std::string());
        struct rlimit before {};
        ::getrlimit(RLIMIT_FSIZE, &before);
        if (kind == "full") {
            ::signal(SIGXFSZ, SIG_IGN);
            const struct rlimit twoBytes { 2, before.rlim_max };
            ::setrlimit(RLIMIT_FSIZE, &twoBytes);
        }
        const bool written = record.write("100\r\n");
        ::setrlimit(RLIMIT_FSIZE, &before);
        QCOMPARE(written, reason.isNull());
        QCOMPARE(host.count("warning"), written ? 0 : 1);
        QVERIFY(!fs::exists(folder / "nowhere"));
        if (written)
            QCOMPARE(readFile(file), std::string("100\r\n"));
        else
            QVERIFY2(QString::fromStdString(host.events.back()).endsWith(reason) &&
                         fs::symlink_status(file).type() == entry &&
                         fs::status(file, ignored).type() == behind,
                     host.events.back().c_str());
        if (behind == fs::file_type::regular)
            QCOMPARE(readFile(file), std::string("1500\r\n"));
        QCOMPARE(openFiles(), filesBefore); // a failure leaves no file open
    }

    // A new file takes the place of the one behind the name, whichever its spelling, with its
    // mode and owner; a link to it stays, and another hard link keeps the old bytes.
    void writeReplacesTheFileBehindTheName_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("600 file spelt in capitals") << "RECORD.DAT";
        QTest::newRow("link to a 600 file") << "elsewhere";
        QTest::newRow("600 file with a second hard link") << "record.dat";
    }
    void writeReplacesTheFileBehindTheName() {
        QFETCH(QString, name);
        const auto target = folder / name.toStdString();
        writeFile(target, "1500\r\n");
        QCOMPARE(::chmod(target.c_str(), 0600), 0);
        if (::geteuid() == 0) // an owner other than the writer
            QCOMPARE(::chown(target.c_str(), 65534, 65534), 0);
        if (name == "elsewhere")
            fs::create_symlink("elsewhere", file);
        if (name == "record.dat")
            fs::create_hard_link(file, folder / "second");
        struct stat before {};
        struct stat after {};
        QCOMPARE(::stat(target.c_str(), &before), 0);
        RecordFile record(folder);
        QCOMPARE(record.read(), std::string("1500\r\n"));
        QVERIFY(record.write("1600\r\n"));
        QCOMPARE(::stat(target.c_str(), &after), 0);
        QCOMPARE(readFile(target), std::string("1600\r\n"));
        // Renamed into place, never rewritten: the hard link "second" keeps the old bytes.
        QVERIFY(after.st_ino != before.st_ino);
        QVERIFY(after.st_mode == before.st_mode && after.st_uid == before.st_uid &&
                after.st_gid == before.st_gid);
        // No second spelling, no temporary file left behind.
        QCOMPARE(std::distance(fs::directory_iterator(folder), fs::directory_iterator()),
                 name == "RECORD.DAT" ? 1 : 2);
    }

    // A best score the game never saw is not replaced in that run, even once it is readable.
    void unreadRecordIsNeverWrittenInTheRun() {
        QCOMPARE(::mkfifo(file.c_str(), 0600), 0);
        RecordingHost host;
        RecordFile record(folder, &host);
        QCOMPARE(record.read(), std::string()); // without blocking
        QCOMPARE(record.read(), std::string());
        fs::remove(file);
        writeFile(file, "");
        QVERIFY(!record.write("100\r\n"));
        QCOMPARE(readFile(file), std::string());
        QCOMPARE(host.count("warning"), 1);
    }
};

QTEST_GUILESS_MAIN(RecordFileTest)
#include "test_record_file.moc"
