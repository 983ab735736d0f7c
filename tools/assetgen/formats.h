#pragma once

#include <QImage>
#include <QRgb>
#include <cstdint>
#include <string>
#include <vector>

// Encoders for the file formats the game reads. Each returns the complete file as bytes;
// none depends on the clock or the environment, so equal input gives equal output.
namespace assetgen {

using Bytes = std::vector<std::uint8_t>;

// An image reduced to a palette. palette[0] is always pure black, so a black background
// stays exactly black; pixels index into palette.
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<QRgb> palette;
    std::vector<std::uint8_t> pixels;
};

// Reduces an opaque image to at most `colours` colours (2..256). Uses the exact colours when
// there are few enough, otherwise median cut refined by a few k-means passes.
IndexedImage quantise(const QImage& image, int colours);

// The indexed image as an RGB32 picture, the reference a decoded GIF must match.
QImage expand(const IndexedImage& image);

// 24-bit uncompressed BMP, BITMAPINFOHEADER, rows stored bottom-up.
Bytes encodeBmp24(const QImage& image);

// GIF89a with a single frame, a 256-entry global colour table (unused entries black) and no
// extensions at all, hence no transparent colour.
Bytes encodeGif(const IndexedImage& image);

// The LZW data stream of a GIF image (minimum code size 8) without the sub-block framing.
Bytes lzwEncode(const std::vector<std::uint8_t>& indices);

// Windows icon holding one 4-bit (16-colour) bitmap with an all-opaque AND mask per image,
// in the order given. Each image must be square, at most 256 px, with at most 16 colours.
Bytes encodeIco(const std::vector<IndexedImage>& images);

// RIFF WAVE, PCM 16-bit, one channel.
Bytes encodeWav(const std::vector<std::int16_t>& samples, int sampleRate);

// Writes bytes to path, replacing the file; throws std::runtime_error on failure.
void writeFile(const std::string& path, const Bytes& bytes);

} // namespace assetgen
