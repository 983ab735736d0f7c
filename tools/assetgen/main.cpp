// zelto-assetgen OUTPUT_DIR
//
// Draws every picture and synthesises every sound the game ships, writing them under
// OUTPUT_DIR/pictures and OUTPUT_DIR/wav. The output depends on
// nothing but this program, so running it twice gives identical bytes. Each GIF is read back
// through Qt and compared with the indexed image it was written from.

#include "formats.h"
#include "pictures.h"
#include "sounds.h"

#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace assetgen;

namespace {

constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256};

struct Picture {
    const char* file;
    std::function<QImage()> draw;
};

const std::vector<Picture>& bitmaps() {
    static const std::vector<Picture> list{
        {"ship.bmp", drawShip},
        {"wreck.bmp", drawWreck},
        {"craft.bmp", drawCraft},
        {"fighter.bmp", drawFighter},
    };
    return list;
}

const std::vector<Picture>& gifs() {
    static const std::vector<Picture> list{
        {"saucer.gif", drawSaucer},
        {"rock.gif", drawRock},
        {"flame.gif", drawFlame},
        {"banner.gif", drawBanner},
    };
    return list;
}

void report(const fs::path& path) {
    std::printf("%-32s %8ju bytes\n",
                path.lexically_relative(path.parent_path().parent_path()).generic_string().c_str(),
                fs::file_size(path));
}

// Writes the GIF, then reads it back with Qt: any LZW slip shows up as a pixel mismatch.
void writeGif(const fs::path& path, const QImage& picture) {
    const IndexedImage indexed = quantise(picture, 256);
    writeFile(path.string(), encodeGif(indexed));
    QImageReader reader(QString::fromStdString(path.string()));
    const QImage decoded = reader.read().convertToFormat(QImage::Format_RGB32);
    const QImage expected = expand(indexed);
    if (decoded.isNull() || decoded.size() != expected.size())
        throw std::runtime_error(path.string() + ": Qt cannot read it back");
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if ((decoded.pixel(x, y) & 0xFFFFFFu) != (expected.pixel(x, y) & 0xFFFFFFu))
                throw std::runtime_error(path.string() + ": decoded pixel differs at " +
                                         std::to_string(x) + "," + std::to_string(y));
    report(path);
}

void writeIcons(const fs::path& pictures) {
    std::vector<IndexedImage> ico;
    for (const int size : {32, 16})
        ico.push_back(quantise(drawIcon(size), 16));
    const fs::path icoPath = pictures / "icon.ico";
    writeFile(icoPath.string(), encodeIco(ico));
    QImageReader reader(QString::fromStdString(icoPath.string()));
    if (reader.imageCount() != 2 || reader.read().isNull())
        throw std::runtime_error(icoPath.string() + ": Qt cannot read it back");
    report(icoPath);

    for (const int size : kIconSizes) {
        const fs::path path = pictures / ("icon-" + std::to_string(size) + ".png");
        if (!drawIcon(size).save(QString::fromStdString(path.string()), "PNG"))
            throw std::runtime_error("cannot write " + path.string());
        report(path);
    }
}

void run(const fs::path& root) {
    const fs::path pictures = root / "pictures", wav = root / "wav";
    fs::create_directories(pictures);
    fs::create_directories(wav);

    for (const auto& p : bitmaps()) {
        const fs::path path = pictures / p.file;
        writeFile(path.string(), encodeBmp24(p.draw()));
        report(path);
    }
    for (const auto& p : gifs())
        writeGif(pictures / p.file, p.draw());
    writeIcons(pictures);

    const struct {
        const char* file;
        std::vector<std::int16_t> (*make)();
    } sounds[] = {
        {"musica.wav", makeMusic}, {"esplosione.wav", makeExplosion}, {"laser.wav", makeLaser}};
    for (const auto& s : sounds) {
        const fs::path path = wav / s.file;
        writeFile(path.string(), encodeWav(s.make(), kSampleRate));
        report(path);
    }
}

} // namespace

int main(int argc, char** argv) {
    // Qt finds its image plugins, used to read the GIFs and the icon back, through the
    // application object.
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR   (normally the repository's assets/)\n",
                     argv[0]);
        return 2;
    }
    try {
        run(fs::path(argv[1]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zelto-assetgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
