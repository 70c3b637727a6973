#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/images/paint.h"
#include "tools/images/pictures.h"

using namespace art;

// The explosion puff's frames and the two minimap markers.

namespace {

const int kPuffFrame = 32;
const int kPuffFrames = 16;
const int kFireFrames = 11;  // frames 0 to 10 are drawn; the rest stay empty

// Hottest to coldest: white core, yellow, orange, red, then smoke.
const std::vector<Colour> kFire = {{60, 56, 62},    {96, 90, 94},   {132, 60, 40},
                                   {200, 56, 28},   {240, 120, 30}, {255, 190, 60},
                                   {255, 236, 130}, {255, 252, 230}};

// One frame of the fireball at age t from 0 to 1: it swells, its heat drains from the middle
// outward through orange and red into smoke, and the smoke thins into ragged scraps.
void paintFireball(Image& sheet, int frame) {
    double t = frame / static_cast<double>(kFireFrames - 1);
    double radius = 6.0 + 8.5 * std::sqrt(t);
    double centre = kPuffFrame / 2.0;
    double scale = 1.0 + 0.8 * t;  // the noise grows with the ball, so lumps swell rather than boil
    for (int y = 0; y < kPuffFrame; y++) {
        for (int x = 0; x < kPuffFrame; x++) {
            double dx = x + 0.5 - centre, dy = y + 0.5 - centre;
            double d = std::sqrt(dx * dx + dy * dy) / radius;
            double lumps = valueNoise(dx / scale + 64, dy / scale + 64, 4, 128, 41);
            double fine = valueNoise(dx / scale + 64, dy / scale + 64, 2, 128, 42);
            double edge = d + 0.45 * (lumps - 0.5) + 0.15 * (fine - 0.5);
            if (edge > 1.0) {
                continue;
            }
            // Late frames tear apart from the outside in: holes open where the noise is low.
            double tear = 0.62 * t * t * (0.3 + edge);
            if (lumps * 0.75 + fine * 0.25 < tear) {
                continue;
            }
            double heat = (1.0 - edge) * (1.6 - 1.5 * t) + 0.25 * (fine - 0.5) + 0.15 * (1 - t);
            heat += 0.2 * (-dx + dy) / radius * (1 - t);  // lit from the upper left early on
            Colour c = ramp(kFire, std::clamp(heat, 0.0, 0.999));
            sheet.set(frame * kPuffFrame + x, y, opaque(c));
        }
    }
}

}  // namespace

Image explosionPicture() {
    Image sheet(kPuffFrame * kPuffFrames, kPuffFrame);
    for (int frame = 0; frame < kFireFrames; frame++) {
        paintFireball(sheet, frame);
    }
    return sheet;
}

// An arrow pointing up, bright yellow with a white core and a dark rim, centred so that it
// turns about the middle of its 16 x 16 square.
Image arrowPicture() {
    const int size = 16;
    const std::vector<Point> head = {{13.6, 8.0}, {8.0, 14.6}, {2.4, 8.0}};
    const double stemHalf = 2.0, stemBottom = 2.0, stemTop = 8.5;
    Image image(size, size);
    for (int y = 0; y < size; y++) {
        for (int x = 0; x < size; x++) {
            double px = x + 0.5, py = y + 0.5;
            bool inHead = insideConvex(head, px, py);
            bool inStem = std::fabs(px - 8.0) <= stemHalf && py >= stemBottom && py <= stemTop;
            if (!inHead && !inStem) {
                continue;
            }
            bool core = std::fabs(px - 8.0) < 1.0 && py > stemBottom + 1 && py < 12.5;
            image.set(x, y, core ? Rgba{255, 255, 240, 255} : Rgba{255, 214, 40, 255});
        }
    }
    outlineShapes(image, 0, 0, size, size, {30, 20, 10, 255});
    bleedColours(image);
    return image;
}

// A round blip: white middle, yellow body, dark rim.
Image blipPicture() {
    const int size = 8;
    const double centre = 4.0;
    Image image(size, size);
    for (int y = 0; y < size; y++) {
        for (int x = 0; x < size; x++) {
            double dx = x + 0.5 - centre, dy = y + 0.5 - centre;
            double r = std::sqrt(dx * dx + dy * dy);
            if (r > 3.6) {
                continue;
            }
            Rgba c = r > 2.7   ? Rgba{40, 24, 8, 255}
                     : r < 1.0 ? Rgba{255, 255, 235, 255}
                               : Rgba{255, 220, 50, 255};
            image.set(x, y, c);
        }
    }
    return image;
}
