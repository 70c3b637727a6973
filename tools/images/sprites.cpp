#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/images/paint.h"
#include "tools/images/pictures.h"

using namespace art;

// The cannon (a riveted dome and its barrel), the cannon ball and the spinning coin.

namespace {

const Colour kRim = {20, 18, 26};  // dark rims keep the shapes readable on light rock

// Light falling from the upper left onto a sphere of radius 1: (u, v) from the centre, v up.
double sphereLight(double u, double v) {
    double w = std::sqrt(std::max(0.0, 1.0 - u * u - v * v));
    return std::max(0.0, -0.45 * u + 0.55 * v + 0.7 * w);
}

const std::vector<Colour> kGunmetal = {{30, 32, 42},    {52, 56, 70},    {78, 84, 102},
                                       {108, 116, 136}, {146, 154, 172}, {196, 204, 218}};
const std::vector<Colour> kGold = {{110, 62, 10},  {168, 104, 20},  {216, 154, 36},
                                   {244, 202, 70}, {255, 236, 140}, {255, 252, 220}};

// Base: a gunmetal dome filling the 32 x 32 frame, a ring of rivets and a red sensor eye.
const double kBaseRadius = 16.0;
const double kRivetRing = 11.5;
// Directions of the eight rivets, between the compass points (unit vectors).
const Point kRivets[8] = {{0.92388, 0.382683},  {0.382683, 0.92388},   {-0.382683, 0.92388},
                          {-0.92388, 0.382683}, {-0.92388, -0.382683}, {-0.382683, -0.92388},
                          {0.382683, -0.92388}, {0.92388, -0.382683}};
const double kEyeRadius = 3.5;

}  // namespace

Image cannonPicture() {
    const int size = 32;
    const double centre = size / 2.0;
    const std::vector<Colour> eye = {{90, 10, 14}, {180, 24, 24}, {250, 80, 50}, {255, 200, 160}};
    Image image(size, size);
    for (int y = 0; y < size; y++) {
        for (int x = 0; x < size; x++) {
            double dx = x + 0.5 - centre, dy = y + 0.5 - centre;
            double r = std::sqrt(dx * dx + dy * dy);
            if (r > kBaseRadius) {
                continue;
            }
            Colour c;
            if (r > kBaseRadius - 1.2) {
                c = kRim;
            } else if (r < kEyeRadius) {
                bool glint = std::fabs(dx + 1.0) < 0.6 && std::fabs(dy - 1.0) < 0.6;
                c = glint ? eye[3] : ramp(eye, sphereLight(dx / kEyeRadius, dy / kEyeRadius));
            } else if (r < kEyeRadius + 1.2) {
                c = kGunmetal[0];
            } else {
                double light = 0.8 * sphereLight(dx / kBaseRadius, dy / kBaseRadius);
                // A step between the outer ring and the raised middle.
                if (std::fabs(r - 9.0) < 0.6) {
                    light = (dy - dx) > 0 ? 0.15 : 0.85;
                }
                c = ramp(kGunmetal, std::clamp(light, 0.0, 0.999));
            }
            image.set(x, y, opaque(c));
        }
    }
    // Rivets: a lit pixel with a shadow below right.
    for (Point direction : kRivets) {
        int x = static_cast<int>(std::floor(centre + kRivetRing * direction.x));
        int y = static_cast<int>(std::floor(centre + kRivetRing * direction.y));
        image.set(x, y, opaque(kGunmetal[5]));
        image.set(x + 1, y - 1, opaque(kGunmetal[0]));
    }
    return image;
}

// The barrel points down the image: muzzle at the bottom, breech at the top, centred on the
// line between columns 31 and 32 (the base's centre line when drawn).
Image gunPicture() {
    const int size = 64;
    const double axis = 32.0;
    const double barrelHalf = 5.0;  // 10 pixels wide
    const double muzzleHalf = 7.0;  // the ring at the muzzle
    const double muzzleTop = 6.0;   // rows below this are the ring
    const double bandHalf = 6.0;    // reinforcing bands
    const double bands[2] = {14.0, 28.0};
    Image image(size, size);
    for (int y = 0; y < size; y++) {
        for (int x = 0; x < size; x++) {
            double dx = x + 0.5 - axis, yc = y + 0.5;
            double half = yc < muzzleTop ? muzzleHalf : barrelHalf;
            for (double band : bands) {
                if (std::fabs(yc - band) < 1.5) {
                    half = bandHalf;
                }
            }
            if (std::fabs(dx) > half) {
                continue;
            }
            Colour c;
            if (std::fabs(dx) > half - 1.0 || yc < 1.0 || yc > size - 1.0) {
                c = kRim;
            } else {
                double u = dx / half;
                double light =
                    0.8 * std::max(0.0, -0.5 * u + 0.8 * std::sqrt(std::max(0.0, 1 - u * u)));
                c = ramp(kGunmetal, std::clamp(light, 0.0, 0.999));
            }
            image.set(x, y, opaque(c));
        }
    }
    bleedColours(image);
    return image;
}

// A dark iron ball with a highlight, wrapped in a ring of red-hot glow so it shows on dark skies.
Image ballPicture() {
    const int size = 16;
    const double centre = 8.0;
    const double ironRadius = 5.0;
    const double glowRadius = 7.0;
    const std::vector<Colour> iron = {
        {24, 22, 30}, {44, 42, 54}, {70, 68, 84}, {110, 108, 126}, {190, 190, 206}};
    const std::vector<Colour> glow = {{200, 40, 20}, {255, 110, 30}, {255, 200, 80}};
    Image image(size, size);
    for (int y = 0; y < size; y++) {
        for (int x = 0; x < size; x++) {
            double dx = x + 0.5 - centre, dy = y + 0.5 - centre;
            double r = std::sqrt(dx * dx + dy * dy);
            if (r > glowRadius) {
                continue;
            }
            Colour c;
            if (r <= ironRadius) {
                double light = sphereLight(dx / ironRadius, dy / ironRadius);
                bool glint = std::fabs(dx + 1.8) < 0.9 && std::fabs(dy - 1.8) < 0.9;
                c = glint ? iron[4] : ramp(iron, std::min(0.79, light * 0.8));
            } else {
                c = ramp(glow,
                         std::clamp((glowRadius - r) / (glowRadius - ironRadius), 0.0, 0.999));
            }
            image.set(x, y, opaque(c));
        }
    }
    return image;
}

// Four frames of a gold coin turning: face on, three quarters, edge on, three quarters the other
// way. The face is an ellipse squeezed by the turn, with a raised rim and an embossed diamond;
// beside it, on the side turned away, shows the milled edge.
Image coinPicture() {
    const int size = 16;
    const double centre = 8.0;
    const double radius = 6.5;
    const double squeeze[4] = {1.0, 0.6, 0.0, 0.6};  // face width as a share of its height
    const double turn[4] = {0.0, 1.0, 0.0, -1.0};    // which side the edge shows on
    const double edgeHalf = 1.5;                     // pixels: half the coin's thickness
    const double rimShare = 0.8;                     // the rim starts at this share of the radius
    const double diamond = 2.6;                      // the emblem's half size, pixels
    Image image(size * 4, size);
    for (int frame = 0; frame < 4; frame++) {
        double w = squeeze[frame] * radius;
        double faceShift = turn[frame] * -edgeHalf / 2;
        for (int y = 0; y < size; y++) {
            for (int x = 0; x < size; x++) {
                double dx = x + 0.5 - centre, dy = y + 0.5 - centre;
                double vy = dy / radius;
                if (std::fabs(vy) > 1.0) {
                    continue;
                }
                double across = std::sqrt(1.0 - vy * vy);
                double fx = dx - faceShift;
                double light;
                if (w > 0 && std::fabs(fx) <= w * across) {
                    double u = fx / w;
                    double r = std::sqrt(u * u + vy * vy);
                    double ex = std::fabs(fx) / squeeze[frame], ey = std::fabs(dy);
                    if (r > rimShare) {
                        light = 0.5 + 0.4 * (vy - u) / 2;  // raised rim, lit upper left
                    } else if (ex + ey < diamond) {
                        light = (dy - fx / squeeze[frame]) > 0 ? 0.95 : 0.6;  // the emblem
                    } else {
                        light = 0.4 + 0.15 * (vy - u);  // the face, a little dished
                    }
                } else if (std::fabs(dx - turn[frame] * w * across) <= edgeHalf + 0.25 &&
                           (frame == 2 || turn[frame] * (dx - faceShift) > 0)) {
                    // Milled edge: alternate rows lighter and darker.
                    light = (y % 2 == 0 ? 0.3 : 0.5) + 0.1 * vy;
                } else {
                    continue;
                }
                image.set(frame * size + x, y, opaque(ramp(kGold, std::clamp(light, 0.0, 0.999))));
            }
        }
        outlineShapes(image, frame * size, 0, size, size, opaque(kRim));
    }
    return image;
}
