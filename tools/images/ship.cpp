#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/images/paint.h"
#include "tools/images/pictures.h"

using namespace art;

// The ship: a silver rocket with red fins and nose, a porthole and a flared nozzle. It fills the
// hull the game collides with: flat base about 30 pixels wide, widest (the fin tips) a quarter of
// the way up, a pointed nose at the top. The picture is drawn at three quarters of its size in
// flight and at twice its size in the shop, both with smooth filtering.

namespace {

const int kSize = 64;
const int kShipColumns = 50;  // the game draws only the left 50 of the 64 columns
const double kAxis = 25.0;    // the ship's centre line, in pixels from the left

// Fuselage: a cylinder from the nozzle up to the nose, which is an ogive.
const double kBodyBottom = 5.0;
const double kBodyRadius = 10.5;
const double kNoseStart = 34.0;
const double kNoseTip = 63.5;
const double kNoseJoin = 52.5;    // the nose cone is red above this seam
const double kSeamHeight = 28.5;  // a riveted panel seam round the fuselage
const double kBandTop = 9.0;      // a red band round the fuselage's foot
const double kCentreFinTop = 20.0;

// Porthole centre and radii.
const double kWindowY = 40.0;
const double kWindowRadius = 5.6;
const double kGlassRadius = 4.2;

const Colour kOutline{28, 22, 40};
const std::vector<Colour> kSilver = {{64, 70, 92},    {96, 104, 128},  {136, 144, 166},
                                     {176, 184, 202}, {210, 216, 228}, {238, 242, 248}};
const std::vector<Colour> kRed = {
    {90, 18, 30}, {142, 28, 36}, {196, 44, 40}, {232, 84, 60}, {250, 150, 110}};
const std::vector<Colour> kSteel = {{40, 42, 54}, {70, 74, 90}, {110, 114, 130}, {150, 156, 170}};
const std::vector<Colour> kGlass = {{20, 40, 90}, {36, 80, 150}, {70, 140, 210}, {150, 210, 250}};

// Half width of the fuselage at height y (0 outside it).
double bodyHalfWidth(double y) {
    if (y < kBodyBottom || y > kNoseTip) {
        return 0;
    }
    if (y < kNoseStart) {
        double flare = std::clamp((y - kBodyBottom) / 6.0, 0.0, 1.0);
        return kBodyRadius * (0.82 + 0.18 * flare);
    }
    double t = (y - kNoseStart) / (kNoseTip - kNoseStart);
    return kBodyRadius * std::sqrt(std::max(0.0, 1.0 - t * t)) * (1.0 - 0.25 * t);
}

// Light from the upper left on a cylinder: u is -1 at the left rim, 1 at the right.
double cylinderLight(double u) {
    double nz = std::sqrt(std::max(0.0, 1.0 - u * u));
    double diffuse = std::max(0.0, -0.55 * u + 0.75 * nz);
    double shine = u > -0.58 && u < -0.38 ? 0.3 : 0.0;
    return std::clamp(0.05 + 0.85 * diffuse * diffuse + shine, 0.0, 0.999);
}

// The left fin, counter-clockwise from its root's foot; points 1 and 2 are its leading edge.
const std::vector<Point> kLeftFin = {{15, 9}, {15.5, 29}, {3, 15}, {0.5, 4.5}, {3.5, 1.5}};

Point mirrored(Point p, double side) {
    return {side < 0 ? p.x : 2 * kAxis - p.x, p.y};
}

std::vector<Point> fin(double side) {
    // Left fin for side -1, right for +1; counter-clockwise either way.
    std::vector<Point> result;
    for (Point p : kLeftFin) {
        result.push_back(mirrored(p, side));
    }
    if (side > 0) {
        std::reverse(result.begin(), result.end());
    }
    return result;
}

// Centre fin, seen edge on: half width at height y (0 where there is none).
double centreFinHalfWidth(double y) {
    if (y < 1.0 || y > kCentreFinTop) {
        return 0;
    }
    return 2.9 - 1.3 * (y - 1.0) / (kCentreFinTop - 1.0);
}

Colour fuselage(double dx, double y, double half) {
    double u = dx / half;
    double light = cylinderLight(u);
    if (std::fabs(y - kSeamHeight) < 0.5 || std::fabs(y - kNoseJoin) < 0.5) {
        return ramp(kSilver, light * 0.4);
    }
    bool rivet =
        std::fabs(y - kSeamHeight - 1.0) < 0.5 && static_cast<int>(std::floor(dx + 40)) % 4 == 1;
    if (rivet) {
        return ramp(kSilver, std::min(0.999, light + 0.2));
    }
    if (y > kNoseJoin || y < kBandTop) {
        return ramp(kRed, light);
    }
    return ramp(kSilver, light);
}

// Colour of the ship at pixel centre (x, y), or false where the ship is not.
bool shipColour(double x, double y, Colour& out) {
    double dx = x - kAxis;
    double half = bodyHalfWidth(y);
    // Porthole in front of everything.
    double wy = y - kWindowY;
    double wr = std::sqrt(dx * dx + wy * wy);
    if (wr <= kGlassRadius) {
        double glint = std::sqrt((dx + 1.7) * (dx + 1.7) + (wy - 1.7) * (wy - 1.7));
        double t = glint < 1.2 ? 0.99 : 0.7 + 0.45 * (wy - dx) / (2 * kGlassRadius);
        out = ramp(kGlass, t);
        return true;
    }
    if (wr <= kWindowRadius) {
        out = ramp(kSteel, wy - dx > 0 ? 0.9 : 0.35);
        return true;
    }
    double finHalf = centreFinHalfWidth(y);
    if (std::fabs(dx) <= finHalf) {
        bool rim = std::fabs(dx) > finHalf - 1.0;
        out = rim ? kOutline : ramp(kRed, dx < 0 ? 0.75 : 0.45);
        return true;
    }
    if (std::fabs(dx) <= half) {
        out = fuselage(dx, y, half);
        return true;
    }
    for (double side : {-1.0, 1.0}) {
        if (insideConvex(fin(side), x, y)) {
            // The leading edge catches the light.
            Point root = mirrored(kLeftFin[1], side), tip = mirrored(kLeftFin[2], side);
            double lit = segmentDistance(x, y, root, tip) < 1.3 ? 0.2 : 0.0;
            out = ramp(kRed, (side < 0 ? 0.65 : 0.3) + lit);
            return true;
        }
    }
    // Nozzle bell below the fuselage.
    if (y >= 0.5 && y < kBodyBottom) {
        double nozzleHalf = 5.5 + (kBodyBottom - y) * 0.5;
        if (std::fabs(dx) <= nozzleHalf) {
            out = ramp(kSteel, cylinderLight(dx / nozzleHalf));
            return true;
        }
    }
    return false;
}

}  // namespace

Image rocketPicture() {
    Image image(kSize, kSize);
    for (int y = 0; y < kSize; y++) {
        for (int x = 0; x < kShipColumns; x++) {
            Colour c;
            if (shipColour(x + 0.5, y + 0.5, c)) {
                image.set(x, y, opaque(c));
            }
        }
    }
    outlineShapes(image, 0, 0, kShipColumns, kSize, opaque(kOutline));
    bleedColours(image);
    return image;
}
