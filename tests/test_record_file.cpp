// The record file: format, the one file behind both spellings, and every way it can fail.
#include "scoring/record_file.h"
#include "test_support.h"

#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace zelto;
using namespace zelto::test;

namespace {

std::filesystem::path folderOf(const QTemporaryDir& dir) {
    return dir.path().toStdString();
}

/// Captures standard error while alive.
class StderrCapture {
public:
    StderrCapture() {
        std::fflush(stderr);
        saved_ = ::dup(2);
        file_ = std::tmpfile();
        ::dup2(::fileno(file_), 2);
    }
    ~StderrCapture() { restore(); }
    std::string text() {
        restore();
        std::rewind(file_);
        std::string out;
        for (int c; (c = std::fgetc(file_)) != EOF;)
            out += static_cast<char>(c);
        return out;
    }

private:
    void restore() {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
    }
    int saved_ = -1;
    std::FILE* file_ = nullptr;
};

} // namespace

class RecordFileTest : public QObject {
    Q_OBJECT

private slots:
    void recordLineFormat_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("1500") << 1500.0 << QByteArray("1500\r\n");
        QTest::newRow("zero") << 0.0 << QByteArray("0\r\n");
        QTest::newRow("negative") << -5.0 << QByteArray("-5\r\n");
        QTest::newRow("fraction with a point") << 12.5 << QByteArray("12.5\r\n");
    }
    void recordLineFormat() {
        QFETCH(double, value);
        QFETCH(QByteArray, bytes);
        QCOMPARE(QByteArray::fromStdString(recordLine(value)), bytes);
    }

    void missingFileIsCreatedEmpty() {
        QTemporaryDir dir;
        RecordFile record(folderOf(dir));
        QCOMPARE(record.read(), std::string());
        QVERIFY(std::filesystem::is_regular_file(folderOf(dir) / "record.dat"));
        QCOMPARE(std::filesystem::file_size(folderOf(dir) / "record.dat"), 0u);
    }

    void readReturnsTheBytesUnchanged() {
        QTemporaryDir dir;
        writeFile(folderOf(dir) / "record.dat", std::string("1500\r\n\0x", 8));
        QCOMPARE(RecordFile(folderOf(dir)).read(), std::string("1500\r\n\0x", 8));
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

    void unreadableNamesReadEmptyWithoutBlocking_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("directory") << "directory";
        QTest::newRow("fifo") << "fifo";
        QTest::newRow("dangling link") << "dangling link";
        QTest::newRow("missing folder") << "missing folder";
    }
    void unreadableNamesReadEmptyWithoutBlocking() {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        std::filesystem::path folder = folderOf(dir);
        const auto file = folder / "record.dat";
        if (kind == "directory")
            std::filesystem::create_directory(file);
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(file.c_str(), 0600), 0);
        else if (kind == "dangling link")
            std::filesystem::create_symlink(folder / "nowhere", file);
        else
            folder /= "missing";
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(RecordFile(folder).read(), std::string());
        QVERIFY(timer.elapsed() < 1000);
        if (kind == "dangling link")
            QVERIFY(!std::filesystem::exists(folder / "nowhere"));
    }

    void failedWriteKeepsTheOldFileAndWarns_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("temporary file cannot be made") << "blocked temporary";
        QTest::newRow("record.dat is a directory") << "directory";
        QTest::newRow("folder is gone") << "missing folder";
    }
    void failedWriteKeepsTheOldFileAndWarns() {
        QFETCH(QString, fault);
        QTemporaryDir dir;
        std::filesystem::path folder = folderOf(dir);
        const auto file = folder / "record.dat";
        if (fault == "blocked temporary") {
            writeFile(file, "1500\r\n");
            // The temporary file's name beside the record is taken by a directory.
            std::filesystem::create_directory(
                folder / (".record.dat." + std::to_string(::getpid()) + ".tmp"));
        } else if (fault == "directory") {
            std::filesystem::create_directory(file);
        } else {
            folder /= "missing";
        }
        StderrCapture capture;
        const bool failed = !RecordFile(folder).write("9999\r\n");
        const std::string warning = capture.text();
        QVERIFY(failed);
        QVERIFY2(warning.find("cannot save the best score") != std::string::npos, warning.c_str());
        if (fault == "blocked temporary")
            QCOMPARE(readFile(file), std::string("1500\r\n"));
        if (fault == "directory")
            QVERIFY(std::filesystem::is_directory(file));
    }
};

QTEST_GUILESS_MAIN(RecordFileTest)
#include "test_record_file.moc"
