#include "formats.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <map>
#include <memory>
#include <stdexcept>
#include <unordered_map>

namespace assetgen {

namespace {

void put8(Bytes& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFFu));
}

void put16(Bytes& out, unsigned value) {
    put8(out, value);
    put8(out, value >> 8);
}

void put32(Bytes& out, std::uint32_t value) {
    put16(out, value & 0xFFFFu);
    put16(out, value >> 16);
}

void putText(Bytes& out, const char* text) {
    for (; *text != '\0'; ++text)
        put8(out, static_cast<unsigned char>(*text));
}

// ---- Quantiser -------------------------------------------------------------------------

struct ColourCount {
    int r, g, b;
    long count;
};

// Green weighs most, blue least, roughly as the eye judges differences.
long distance(int r1, int g1, int b1, int r2, int g2, int b2) {
    const long dr = r1 - r2, dg = g1 - g2, db = b1 - b2;
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

struct Box {
    std::vector<ColourCount> entries;

    long total() const {
        long n = 0;
        for (const auto& e : entries)
            n += e.count;
        return n;
    }

    // Weighted sum of squared deviations in the given channel (0 red, 1 green, 2 blue).
    double spread(int channel) const {
        double n = 0, sum = 0, squares = 0;
        for (const auto& e : entries) {
            const double v = channel == 0 ? e.r : channel == 1 ? e.g : e.b;
            n += e.count;
            sum += v * e.count;
            squares += v * v * e.count;
        }
        return n > 0 ? squares - sum * sum / n : 0.0;
    }

    double error() const { return 3 * spread(0) + 4 * spread(1) + 2 * spread(2); }

    QRgb mean() const {
        double n = 0, r = 0, g = 0, b = 0;
        for (const auto& e : entries) {
            n += e.count;
            r += double(e.r) * e.count;
            g += double(e.g) * e.count;
            b += double(e.b) * e.count;
        }
        return qRgb(int(r / n + 0.5), int(g / n + 0.5), int(b / n + 0.5));
    }
};

// Splits the box at the weighted median of its widest channel; both halves are non-empty.
std::pair<Box, Box> split(Box box) {
    const std::array<double, 3> spreads{box.spread(0), box.spread(1), box.spread(2)};
    const int channel = int(std::max_element(spreads.begin(), spreads.end()) - spreads.begin());
    auto key = [channel](const ColourCount& c) {
        const int primary = channel == 0 ? c.r : channel == 1 ? c.g : c.b;
        return std::array<int, 4>{primary, c.r, c.g, c.b};
    };
    std::sort(box.entries.begin(), box.entries.end(),
              [&](const ColourCount& a, const ColourCount& b) { return key(a) < key(b); });
    const long half = box.total() / 2;
    long running = 0;
    std::size_t cut = 1;
    for (std::size_t i = 0; i + 1 < box.entries.size(); ++i) {
        running += box.entries[i].count;
        cut = i + 1;
        if (running >= half)
            break;
    }
    Box low, high;
    low.entries.assign(box.entries.begin(), box.entries.begin() + long(cut));
    high.entries.assign(box.entries.begin() + long(cut), box.entries.end());
    return {std::move(low), std::move(high)};
}

int nearest(const std::vector<QRgb>& palette, int r, int g, int b) {
    int best = 0;
    long bestDistance = std::numeric_limits<long>::max();
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const long d = distance(r, g, b, qRed(palette[i]), qGreen(palette[i]), qBlue(palette[i]));
        if (d < bestDistance) {
            bestDistance = d;
            best = int(i);
        }
    }
    return best;
}

// ---- LZW -------------------------------------------------------------------------------

class BitWriter {
public:
    void put(int code, int width) {
        buffer_ |= std::uint32_t(code) << used_;
        used_ += width;
        while (used_ >= 8) {
            bytes_.push_back(std::uint8_t(buffer_ & 0xFFu));
            buffer_ >>= 8;
            used_ -= 8;
        }
    }

    Bytes finish() {
        if (used_ > 0)
            bytes_.push_back(std::uint8_t(buffer_ & 0xFFu));
        buffer_ = 0;
        used_ = 0;
        return std::move(bytes_);
    }

private:
    Bytes bytes_;
    std::uint32_t buffer_ = 0;
    int used_ = 0;
};

} // namespace

IndexedImage quantise(const QImage& source, int colours) {
    if (colours < 2 || colours > 256)
        throw std::invalid_argument("quantise: colours must be 2..256");
    const QImage image = source.convertToFormat(QImage::Format_RGB32);

    std::map<QRgb, long> histogram;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x] & 0xFFFFFFu;
            if (c != 0)
                ++histogram[c];
        }
    }

    IndexedImage result;
    result.width = image.width();
    result.height = image.height();
    result.palette.push_back(qRgb(0, 0, 0));

    std::vector<ColourCount> all;
    for (const auto& [c, n] : histogram)
        all.push_back({qRed(c), qGreen(c), qBlue(c), n});

    if (int(all.size()) <= colours - 1) {
        for (const auto& e : all)
            result.palette.push_back(qRgb(e.r, e.g, e.b));
    } else {
        std::vector<Box> boxes{Box{all}};
        while (int(boxes.size()) < colours - 1) {
            int worst = -1;
            double worstError = 0;
            for (std::size_t i = 0; i < boxes.size(); ++i) {
                const double e = boxes[i].error();
                if (boxes[i].entries.size() > 1 && e > worstError) {
                    worstError = e;
                    worst = int(i);
                }
            }
            if (worst < 0)
                break;
            auto [low, high] = split(std::move(boxes[std::size_t(worst)]));
            boxes[std::size_t(worst)] = std::move(low);
            boxes.push_back(std::move(high));
        }
        for (const auto& box : boxes)
            result.palette.push_back(box.mean());

        // Lloyd passes pull each colour to the centre of the pixels that chose it; black at
        // index 0 stays fixed so the background is exact.
        for (int pass = 0; pass < 4; ++pass) {
            std::vector<std::array<double, 4>> sums(result.palette.size(), {0, 0, 0, 0});
            for (const auto& e : all) {
                auto& s = sums[std::size_t(nearest(result.palette, e.r, e.g, e.b))];
                s[0] += double(e.r) * e.count;
                s[1] += double(e.g) * e.count;
                s[2] += double(e.b) * e.count;
                s[3] += double(e.count);
            }
            for (std::size_t i = 1; i < result.palette.size(); ++i) {
                const auto& s = sums[i];
                if (s[3] > 0)
                    result.palette[i] = qRgb(int(s[0] / s[3] + 0.5), int(s[1] / s[3] + 0.5),
                                             int(s[2] / s[3] + 0.5));
            }
        }
    }

    std::map<QRgb, std::uint8_t> lookup;
    result.pixels.reserve(std::size_t(result.width) * std::size_t(result.height));
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x] & 0xFFFFFFu;
            auto it = lookup.find(c);
            if (it == lookup.end())
                it = lookup
                         .emplace(
                             c, std::uint8_t(nearest(result.palette, qRed(c), qGreen(c), qBlue(c))))
                         .first;
            result.pixels.push_back(it->second);
        }
    }
    return result;
}

QImage expand(const IndexedImage& image) {
    QImage out(image.width, image.height, QImage::Format_RGB32);
    for (int y = 0; y < image.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < image.width; ++x)
            line[x] = image.palette[image.pixels[std::size_t(y * image.width + x)]];
    }
    return out;
}

Bytes encodeBmp24(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const std::uint32_t w = std::uint32_t(image.width()), h = std::uint32_t(image.height());
    const std::uint32_t rowBytes = (w * 3 + 3) & ~3u;
    const std::uint32_t pixelBytes = rowBytes * h;
    constexpr std::uint32_t headers = 14 + 40;

    Bytes out;
    putText(out, "BM");
    put32(out, headers + pixelBytes);
    put32(out, 0);
    put32(out, headers);
    put32(out, 40);
    put32(out, w);
    put32(out, h); // positive height: bottom-up rows
    put16(out, 1);
    put16(out, 24);
    put32(out, 0); // BI_RGB, no compression
    put32(out, pixelBytes);
    put32(out, 2835); // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = int(h) - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (std::uint32_t x = 0; x < w; ++x) {
            put8(out, unsigned(qBlue(line[x])));
            put8(out, unsigned(qGreen(line[x])));
            put8(out, unsigned(qRed(line[x])));
        }
        for (std::uint32_t pad = w * 3; pad < rowBytes; ++pad)
            put8(out, 0);
    }
    return out;
}

Bytes lzwEncode(const std::vector<std::uint8_t>& indices) {
    constexpr int clearCode = 256;
    constexpr int endCode = 257;
    constexpr int firstFree = 258;
    constexpr int maxCodes = 4096;

    BitWriter bits;
    std::unordered_map<std::uint32_t, int> table;
    int width = 9;
    int next = firstFree;
    bits.put(clearCode, width);
    if (indices.empty()) {
        bits.put(endCode, width);
        return bits.finish();
    }

    // The decoder builds each entry one code later than the encoder, so it widens its codes
    // when its next free entry reaches 2^width: this encoder widens at the same moment by
    // testing after every code it writes, including the last one before the end code.
    int prefix = indices.front();
    for (std::size_t i = 1; i < indices.size(); ++i) {
        const int symbol = indices[i];
        const std::uint32_t key = (std::uint32_t(prefix) << 8) | std::uint32_t(symbol);
        if (const auto found = table.find(key); found != table.end()) {
            prefix = found->second;
            continue;
        }
        bits.put(prefix, width);
        if (next >= (1 << width))
            ++width;
        table.emplace(key, next++);
        if (next == maxCodes) {
            bits.put(clearCode, width);
            table.clear();
            width = 9;
            next = firstFree;
        }
        prefix = symbol;
    }
    bits.put(prefix, width);
    if (next >= (1 << width) && width < 12)
        ++width;
    bits.put(endCode, width);
    return bits.finish();
}

Bytes encodeGif(const IndexedImage& image) {
    if (image.palette.empty() || image.palette.size() > 256)
        throw std::invalid_argument("encodeGif: palette must have 1..256 colours");
    Bytes out;
    putText(out, "GIF89a");
    put16(out, unsigned(image.width));
    put16(out, unsigned(image.height));
    put8(out, 0xF7); // global colour table, 8-bit colour resolution, 2^(7+1) = 256 entries
    put8(out, 0);    // background colour: index 0, black
    put8(out, 0);    // square pixels
    for (std::size_t i = 0; i < 256; ++i) {
        const QRgb c = i < image.palette.size() ? image.palette[i] : qRgb(0, 0, 0);
        put8(out, unsigned(qRed(c)));
        put8(out, unsigned(qGreen(c)));
        put8(out, unsigned(qBlue(c)));
    }
    put8(out, 0x2C);
    put16(out, 0);
    put16(out, 0);
    put16(out, unsigned(image.width));
    put16(out, unsigned(image.height));
    put8(out, 0); // no local colour table, not interlaced
    put8(out, 8); // LZW minimum code size
    const Bytes data = lzwEncode(image.pixels);
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - at);
        put8(out, unsigned(n));
        out.insert(out.end(), data.begin() + long(at), data.begin() + long(at + n));
    }
    put8(out, 0);
    put8(out, 0x3B);
    return out;
}

Bytes encodeIco(const std::vector<IndexedImage>& images) {
    Bytes directory, bodies;
    put16(directory, 0);
    put16(directory, 1); // icon, not cursor
    put16(directory, unsigned(images.size()));
    std::uint32_t offset = 6 + 16 * std::uint32_t(images.size());

    for (const auto& image : images) {
        if (image.width != image.height || image.width < 1 || image.width > 256 ||
            image.palette.size() > 16)
            throw std::invalid_argument("encodeIco: square images up to 256 px, 16 colours");
        const std::uint32_t size = std::uint32_t(image.width);
        const std::uint32_t xorRow = ((size * 4 + 31) / 32) * 4;
        const std::uint32_t andRow = ((size + 31) / 32) * 4;
        const std::uint32_t pixelBytes = (xorRow + andRow) * size;
        const std::uint32_t imageBytes = 40 + 16 * 4 + pixelBytes;

        put8(directory, size & 0xFFu); // 256 is stored as 0
        put8(directory, size & 0xFFu);
        put8(directory, 16);
        put8(directory, 0);
        put16(directory, 1);
        put16(directory, 4);
        put32(directory, imageBytes);
        put32(directory, offset);
        offset += imageBytes;

        put32(bodies, 40);
        put32(bodies, size);
        put32(bodies, size * 2); // the colour bitmap and the AND mask stacked
        put16(bodies, 1);
        put16(bodies, 4);
        put32(bodies, 0);
        put32(bodies, pixelBytes);
        put32(bodies, 0);
        put32(bodies, 0);
        put32(bodies, 0);
        put32(bodies, 0);
        for (std::size_t i = 0; i < 16; ++i) {
            const QRgb c = i < image.palette.size() ? image.palette[i] : qRgb(0, 0, 0);
            put8(bodies, unsigned(qBlue(c)));
            put8(bodies, unsigned(qGreen(c)));
            put8(bodies, unsigned(qRed(c)));
            put8(bodies, 0);
        }
        for (int y = int(size) - 1; y >= 0; --y) {
            Bytes row(xorRow, 0);
            for (std::uint32_t x = 0; x < size; ++x) {
                const unsigned index = image.pixels[std::size_t(y) * size + x];
                row[x / 2] |= std::uint8_t(x % 2 == 0 ? index << 4 : index);
            }
            bodies.insert(bodies.end(), row.begin(), row.end());
        }
        bodies.insert(bodies.end(), andRow * size, 0); // every pixel opaque
    }
    directory.insert(directory.end(), bodies.begin(), bodies.end());
    return directory;
}

Bytes encodeWav(const std::vector<std::int16_t>& samples, int sampleRate) {
    const std::uint32_t dataBytes = std::uint32_t(samples.size() * 2);
    Bytes out;
    putText(out, "RIFF");
    put32(out, 36 + dataBytes);
    putText(out, "WAVE");
    putText(out, "fmt ");
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, std::uint32_t(sampleRate));
    put32(out, std::uint32_t(sampleRate) * 2);
    put16(out, 2);
    put16(out, 16);
    putText(out, "data");
    put32(out, dataBytes);
    for (const std::int16_t s : samples)
        put16(out, std::uint16_t(s));
    return out;
}

void writeFile(const std::string& path, const Bytes& bytes) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                               &std::fclose);
    if (!file)
        throw std::runtime_error("cannot open " + path + " for writing");
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
        std::fflush(file.get()) != 0)
        throw std::runtime_error("cannot write " + path);
}

} // namespace assetgen
