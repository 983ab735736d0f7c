// The record file: format, the one file behind both spellings, and every way it can fail.
#include "scoring/record_file.h"
#include "test_support.h"

#include <QtTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zelto;
using namespace zelto::test;

namespace {

std::filesystem::path folderOf(const QTemporaryDir& dir) {
    return dir.path().toStdString();
}

} // namespace

class RecordFileTest : public QObject {
    Q_OBJECT

private slots:
    void aMissingFileIsCreatedEmptyAndAFileReadsAsItIs() {
        QTemporaryDir dir;
        RecordFile record(folderOf(dir));
        QCOMPARE(record.read(), std::string());
        QCOMPARE(readFile(folderOf(dir) / "record.dat"), std::string());
        writeFile(folderOf(dir) / "record.dat", std::string("1500\r\n\0x", 8));
        QCOMPARE(record.read(), std::string("1500\r\n\0x", 8));
    }

    void anySpellingReachesTheOneFile_data() {
        QTest::addColumn<QString>("existing");
        QTest::newRow("record.dat") << "record.dat";
        QTest::newRow("Record.dat") << "Record.dat";
        QTest::newRow("RECORD.DAT") << "RECORD.DAT";
    }
    void anySpellingReachesTheOneFile() {
        QFETCH(QString, existing);
        QTemporaryDir dir;
        const auto file = folderOf(dir) / existing.toStdString();
        writeFile(file, "700\r\n");
        RecordFile record(folderOf(dir));
        QCOMPARE(record.read(), std::string("700\r\n"));
        QVERIFY(record.write("800\r\n"));
        QCOMPARE(readFile(file), std::string("800\r\n"));
        int entries = 0;
        for ([[maybe_unused]] const auto& entry :
             std::filesystem::directory_iterator(folderOf(dir)))
            ++entries;
        QCOMPARE(entries, 1); // no second spelling, no temporary file left behind
    }

    void oversizedFileReadsOnlyItsStart() {
        QTemporaryDir dir;
        writeFile(folderOf(dir) / "record.dat", "42" + std::string(200 * 1024, 'x'));
        const std::string caption = RecordFile(folderOf(dir)).read();
        QCOMPARE(caption.size(), RecordFile::kMaxRead);
        QCOMPARE(caption.substr(0, 3), std::string("42x"));
    }

    // Only a regular file is ever replaced, or a link that leads nowhere: anything else that
    // bears the name reads as empty, without blocking, and stays as it is.
    void oddNamesReadEmptyAndStay_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("directory") << "directory" << false;
        QTest::newRow("fifo") << "fifo" << false;
        QTest::newRow("link to a fifo") << "link to a fifo" << false;
        QTest::newRow("dangling link") << "dangling link" << true;
        QTest::newRow("link loop") << "link loop" << true;
        QTest::newRow("missing folder") << "missing folder" << false;
    }
    void oddNamesReadEmptyAndStay() {
        QFETCH(QString, kind);
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        std::filesystem::path folder = folderOf(dir);
        const auto file = folder / "record.dat";
        if (kind == "directory")
            std::filesystem::create_directory(file);
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(file.c_str(), 0600), 0);
        else if (kind == "link to a fifo")
            QCOMPARE(::mkfifo((folder / "fifo").c_str(), 0600), 0);
        if (kind.startsWith("link"))
            std::filesystem::create_symlink(kind == "link loop" ? "record.dat" : "fifo", file);
        else if (kind == "dangling link")
            std::filesystem::create_symlink(folder / "nowhere", file);
        else if (kind == "missing folder")
            folder /= "missing";
        std::error_code ignored;
        const auto entry = std::filesystem::symlink_status(file).type();
        const auto behind = std::filesystem::status(file, ignored).type();
        RecordingHost host;
        RecordFile record(folder, &host);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(record.read(), std::string());
        QVERIFY(timer.elapsed() < 1000);
        QCOMPARE(record.write("100\r\n"), replaced);
        if (replaced) {
            QCOMPARE(readFile(file), std::string("100\r\n"));
            QVERIFY(!std::filesystem::exists(folder / "nowhere"));
        } else {
            QVERIFY(std::filesystem::symlink_status(file).type() == entry);
            QVERIFY(std::filesystem::status(file, ignored).type() == behind);
        }
        QCOMPARE(host.count("warning"), replaced ? 0 : 1);
    }

    // The new content goes into the file behind the name, which keeps its mode, its owner
    // and the link to it. A second hard link is let go: the replace stays atomic.
    void writeKeepsTheFileBehindTheName_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("600 file") << "file";
        QTest::newRow("link to a 600 file") << "link";
        QTest::newRow("file with a second hard link") << "hard link";
    }
    void writeKeepsTheFileBehindTheName() {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const auto folder = folderOf(dir);
        const auto file = folder / (kind == "link" ? "elsewhere" : "record.dat");
        writeFile(file, "1500\r\n");
        QCOMPARE(::chmod(file.c_str(), 0600), 0);
        if (::geteuid() == 0) // an owner other than the writer
            QCOMPARE(::chown(file.c_str(), 65534, 65534), 0);
        if (kind == "link")
            std::filesystem::create_symlink("elsewhere", folder / "record.dat");
        if (kind == "hard link")
            std::filesystem::create_hard_link(file, folder / "second");
        struct stat before {};
        struct stat after {};
        QCOMPARE(::stat(file.c_str(), &before), 0);
        RecordFile record(folder);
        QCOMPARE(record.read(), std::string("1500\r\n"));
        QVERIFY(record.write("1600\r\n"));
        QCOMPARE(::stat(file.c_str(), &after), 0);
        QCOMPARE(readFile(file), std::string("1600\r\n"));
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(std::filesystem::is_symlink(folder / "record.dat"), kind == "link");
        if (kind == "hard link")
            QCOMPARE(readFile(folder / "second"), std::string("1500\r\n"));
    }

    // A record file the game could not read stays unwritten for the whole run, through
    // every game, and says so once.
    void unreadRecordIsNeverWrittenInTheRun() {
        QTemporaryDir dir;
        const auto file = folderOf(dir) / "record.dat";
        QCOMPARE(::mkfifo(file.c_str(), 0600), 0);
        RecordingHost host;
        RecordingSoundDevice sound;
        PlayField field(host, sound, folderOf(dir), {});
        for (int game = 0; game < 2; ++game) {
            field.show();
            field.keyPress('q'); // score 0 reaches the empty best score: a write is due
        }
        std::filesystem::remove(file);
        writeFile(file, ""); // now readable, but this run once failed to read it
        field.show();
        field.keyPress('q');
        QCOMPARE(readFile(file), std::string());
        QCOMPARE(host.count("record"), 0);
        QCOMPARE(host.count("warning"), 1);
    }

    void failedWriteKeepsTheOldFileAndWarns_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        QTest::newRow("temporary file cannot be made") << "blocked temporary"
                                                       << "File exists";
        QTest::newRow("record.dat is a directory") << "directory"
                                                   << "it is not a regular file";
        QTest::newRow("folder is gone") << "missing folder"
                                        << "No such file or directory";
        // Writes fail part of the way: a loop that retried them would never end.
        QTest::newRow("disk full") << "full"
                                   << "File too large";
    }
    void failedWriteKeepsTheOldFileAndWarns() {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        std::filesystem::path folder = folderOf(dir);
        const auto file = folder / "record.dat";
        if (fault == "blocked temporary" || fault == "full")
            writeFile(file, "1500\r\n");
        if (fault == "blocked temporary") // a directory has the temporary file's name
            std::filesystem::create_directory(
                folder / (".record.dat." + std::to_string(::getpid()) + ".tmp"));
        else if (fault == "directory")
            std::filesystem::create_directory(file);
        else if (fault == "missing folder")
            folder /= "missing";
        RecordingHost host;
        RecordFile record(folder, &host);
        struct rlimit before {};
        ::getrlimit(RLIMIT_FSIZE, &before);
        if (fault == "full") {
            ::signal(SIGXFSZ, SIG_IGN);
            const struct rlimit twoBytes { 2, before.rlim_max };
            ::setrlimit(RLIMIT_FSIZE, &twoBytes);
        }
        const bool written = record.write("9999\r\n");
        ::setrlimit(RLIMIT_FSIZE, &before);
        QVERIFY(!written);
        QCOMPARE(host.count("warning cannot save the best score in "), 1);
        QVERIFY2(QString::fromStdString(host.events.back()).endsWith(": " + reason),
                 host.events.back().c_str());
        if (fault != "directory" && fault != "missing folder")
            QCOMPARE(readFile(file), std::string("1500\r\n"));
        QCOMPARE(std::filesystem::is_directory(file), fault == "directory");
    }
};

QTEST_GUILESS_MAIN(RecordFileTest)
#include "test_record_file.moc"
