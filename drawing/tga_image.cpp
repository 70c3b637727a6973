#include "drawing/tga_image.h"

#include <algorithm>
#include <climits>

#include "platform/outside_file.h"

// The game's images are all TGA; the decoder needs nothing else.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#include <stb/stb_image.h>

namespace {

const size_t kHeaderSize = 18;  // bytes
const uint8_t kRunLengthBit = 8;
const uint8_t kRightToLeftBit = 0x10;  // of the image descriptor; stb reads only the top-down one
const uint8_t kRunPacketBit = 0x80;
const int kPacketCountMask = 0x7F;

int get16(const uint8_t* bytes) {
    return bytes[0] | bytes[1] << 8;
}

// Where the pixels start and how they are stored, as stb reads them. The decoder fills what a
// file lacks with zeros and calls it a picture, so we measure the file against the header first.
struct Layout {
    int width;
    int height;
    size_t pixelBytes;  // bytes of one stored pixel or colour index
    size_t dataStart;   // after the ID, and for colour-mapped images the palette
    bool runLength;
    bool rightToLeft;
};

Layout layoutOf(const uint8_t* header) {
    Layout layout;
    layout.width = get16(header + 12);
    layout.height = get16(header + 14);
    layout.pixelBytes = (header[16] + 7u) / 8u;  // 15-bit pixels take two bytes
    layout.dataStart = kHeaderSize + header[0];
    if (header[1] == 1) {
        // stb skips as many bytes as the first entry's index, then reads the palette.
        const size_t entryBytes = (header[7] + 7u) / 8u;
        layout.dataStart += get16(header + 3) + get16(header + 5) * entryBytes;
    }
    layout.runLength = (header[2] & kRunLengthBit) != 0;
    layout.rightToLeft = (header[17] & kRightToLeftBit) != 0;
    return layout;
}

// The most bytes the decoder can take: every run-length pixel in a packet of its own.
size_t mostBytesNeeded(const Layout& layout) {
    const size_t pixels = static_cast<size_t>(layout.width) * layout.height;
    return layout.dataStart + pixels * (layout.pixelBytes + (layout.runLength ? 1 : 0));
}

// Whether the bytes hold every pixel: plain ones one after the other, run-length ones in
// packets, each a count byte and then one pixel (a run) or count pixels (raw). Packets that stay
// inside the picture fit in what readTga reads of a file; one running past the last pixel may
// not, so it is refused here too and a picture fails alike from its file and from memory.
bool pixelsComplete(const Layout& layout, const uint8_t* bytes, size_t size) {
    const size_t pixels = static_cast<size_t>(layout.width) * layout.height;
    if (size < layout.dataStart) {
        return false;
    }
    if (!layout.runLength) {
        return size - layout.dataStart >= pixels * layout.pixelBytes;
    }
    size_t at = layout.dataStart;
    for (size_t done = 0; done < pixels;) {
        if (at >= size) {
            return false;
        }
        const uint8_t packet = bytes[at++];
        const size_t count = (packet & kPacketCountMask) + 1u;
        if (count > pixels - done) {
            return false;
        }
        const size_t stored = (packet & kRunPacketBit) ? 1 : count;
        if (size - at < stored * layout.pixelBytes) {
            return false;
        }
        at += stored * layout.pixelBytes;
        done += count;
    }
    return true;
}

// Checked on the header alone, before anything is allocated for the pixels. An uncompressed
// picture is measured against the bytes that hold it instead (pixelsComplete).
bool withinLimits(const Layout& layout, const ImageLimits& limits) {
    return layout.width <= limits.maxSide && layout.height <= limits.maxSide &&
           (!layout.runLength ||
            static_cast<int64_t>(layout.width) * layout.height <= limits.maxRunLengthPixels);
}

void mirrorRows(TgaImage& image) {
    const size_t texel = static_cast<size_t>(image.channels);
    const size_t rowBytes = static_cast<size_t>(image.width) * texel;
    for (uint8_t* row = image.pixels.data(); row < image.pixels.data() + image.pixels.size();
         row += rowBytes) {
        for (uint8_t *left = row, *right = row + rowBytes - texel; left < right;
             left += texel, right -= texel) {
            std::swap_ranges(left, left + texel, right);
        }
    }
}

}  // namespace

bool decodeTga(const uint8_t* bytes, size_t size, const ImageLimits& limits, TgaImage& image) {
    int width = 0;
    int height = 0;
    int channels = 0;
    // stbi_info reads the header only and refuses what stb cannot decode.
    if (size < kHeaderSize || size > static_cast<size_t>(INT_MAX) ||
        !stbi_info_from_memory(bytes, static_cast<int>(size), &width, &height, &channels)) {
        return false;
    }
    const Layout layout = layoutOf(bytes);
    if (!withinLimits(layout, limits) || !pixelsComplete(layout, bytes, size)) {
        return false;
    }
    stbi_set_flip_vertically_on_load(1);
    stbi_uc* pixels =
        stbi_load_from_memory(bytes, static_cast<int>(size), &width, &height, &channels, 0);
    if (!pixels) {
        return false;
    }
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.pixels.assign(pixels, pixels + static_cast<size_t>(width) * height * channels);
    stbi_image_free(pixels);
    if (layout.rightToLeft) {
        mirrorRows(image);
    }
    return true;
}

bool readTga(const char* file, const ImageLimits& limits, TgaImage& image) {
    OutsideFile in(file);
    if (!in.isOpen() || in.size() < static_cast<off_t>(kHeaderSize)) {
        return false;
    }
    std::vector<uint8_t> bytes(kHeaderSize);
    if (in.read(bytes.data(), kHeaderSize) != static_cast<long>(kHeaderSize)) {
        return false;
    }
    const Layout layout = layoutOf(bytes.data());
    // A forged size is refused before anything is allocated for it, and bytes past what the
    // pixels can take (a TGA 2.0 footer) are never read.
    if (!withinLimits(layout, limits)) {
        return false;
    }
    bytes.resize(std::min(mostBytesNeeded(layout), static_cast<size_t>(in.size())));
    const long got = in.read(bytes.data() + kHeaderSize, bytes.size() - kHeaderSize);
    if (got < 0) {
        return false;
    }
    bytes.resize(kHeaderSize + static_cast<size_t>(got));
    return decodeTga(bytes.data(), bytes.size(), limits, image);
}
