#include "test_support.h"

#include <fstream>
#include <iterator>

namespace zelto::test {

void RecordingHost::showMessage(std::string_view text, std::string_view title) {
    events.push_back("msgbox " + std::string(text) + " " + std::string(title));
    if (whileMessageOpen)
        whileMessageOpen();
}

void RecordingHost::recordWritten(std::string_view bytes) {
    events.push_back("record " + std::string(bytes));
}

void RecordingHost::recordWarning(std::string_view why) {
    events.push_back("warning " + std::string(why));
}

void RecordingHost::soundPropertySet(std::string_view control, std::string_view property,
                                     std::string_view value) {
    events.push_back("sound " + std::string(control) + " " + std::string(property) + " " +
                     std::string(value));
}

int RecordingHost::count(std::string_view prefix) const {
    int n = 0;
    for (const std::string& event : events)
        n += event.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
}

Game::Game(const std::string& record) {
    if (!record.empty())
        writeFile(folder.filePath("record.dat").toStdString(), record);
    field.show();
}

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

} // namespace zelto::test
