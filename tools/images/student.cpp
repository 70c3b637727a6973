#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/images/paint.h"
#include "tools/images/pictures.h"

using namespace art;

// The stranded students: an astronaut in an orange suit and white helmet, facing right (the
// game mirrors it). Sheet rows counted from the bottom: row 1 the death puff, row 2 two frames
// of waving for help, row 3 four walking frames; row 0 is left empty. Each frame is 32 x 32
// with the body's origin at its centre and the boots on the fifth row from the bottom.

namespace {

const int kFrame = 32;
const int kFramesAcross = 4;
const int kPuffRow = 1, kStandRow = 2, kWalkRow = 3;
const double kFeetY = 4.0;  // boot soles, pixels from the frame's bottom
const double kCentreX = 16.0;

// Body parts, painted back to front; each has its own palette (dark, mid, light).
enum Part { kNone, kBackLimb, kPack, kBoot, kLeg, kTorso, kHelmet, kVisor, kArm, kGlove };

const std::vector<std::vector<Colour>> kPalettes = {
    {},
    {{120, 48, 18}, {168, 72, 24}, {200, 96, 36}},        // far arm and leg, in shadow
    {{72, 76, 90}, {112, 118, 134}, {156, 162, 176}},     // backpack
    {{40, 40, 52}, {70, 70, 86}, {104, 104, 120}},        // boots
    {{168, 70, 22}, {226, 112, 34}, {250, 160, 70}},      // legs
    {{168, 70, 22}, {226, 112, 34}, {250, 160, 70}},      // torso
    {{150, 156, 172}, {218, 222, 232}, {250, 252, 255}},  // helmet
    {{20, 30, 70}, {40, 80, 150}, {140, 200, 250}},       // visor
    {{168, 70, 22}, {226, 112, 34}, {250, 160, 70}},      // near arm
    {{150, 156, 172}, {218, 222, 232}, {250, 252, 255}},  // glove
};
const Rgba kOutlineColour = {24, 18, 30, 255};

// One pose: where the feet and hands are, relative to hip and shoulder, and a bob of the body.
struct Pose {
    Point nearFoot, farFoot;  // offsets from the hip
    Point nearHand, farHand;  // offsets from the shoulder
    double bob;               // body raised by this many pixels
};

struct Canvas {
    std::vector<int> part = std::vector<int>(kFrame * kFrame, kNone);
    void set(int x, int y, int p) {
        if (x >= 0 && y >= 0 && x < kFrame && y < kFrame) {
            part[y * kFrame + x] = p;
        }
    }
    int get(int x, int y) const {
        bool inside = x >= 0 && y >= 0 && x < kFrame && y < kFrame;
        return inside ? part[y * kFrame + x] : kNone;
    }
};

void limb(Canvas& c, Point from, Point to, double width, int p) {
    for (int y = 0; y < kFrame; y++) {
        for (int x = 0; x < kFrame; x++) {
            if (segmentDistance(x + 0.5, y + 0.5, from, to) <= width / 2) {
                c.set(x, y, p);
            }
        }
    }
}

void box(Canvas& c, double x0, double y0, double x1, double y1, int p) {
    for (int y = 0; y < kFrame; y++) {
        for (int x = 0; x < kFrame; x++) {
            if (x + 0.5 > x0 && x + 0.5 < x1 && y + 0.5 > y0 && y + 0.5 < y1) {
                c.set(x, y, p);
            }
        }
    }
}

void disc(Canvas& c, Point centre, double radius, int p) {
    for (int y = 0; y < kFrame; y++) {
        for (int x = 0; x < kFrame; x++) {
            double dx = x + 0.5 - centre.x, dy = y + 0.5 - centre.y;
            if (dx * dx + dy * dy <= radius * radius) {
                c.set(x, y, p);
            }
        }
    }
}

Canvas drawFigure(const Pose& pose) {
    Canvas c;
    double b = pose.bob;
    Point hip{kCentreX - 0.5, kFeetY + 6.5 + b};
    Point shoulder{kCentreX + 2.0, kFeetY + 11.5 + b};
    Point backShoulder{kCentreX - 2.0, kFeetY + 11.5 + b};
    auto plus = [](Point a, Point d) { return Point{a.x + d.x, a.y + d.y}; };
    // Far side first: it is hidden where the near side overlaps it.
    limb(c, backShoulder, plus(backShoulder, pose.farHand), 2.2, kBackLimb);
    limb(c, hip, plus(hip, pose.farFoot), 2.6, kBackLimb);
    box(c, kCentreX - 6.0, kFeetY + 6.5 + b, kCentreX - 3.0, kFeetY + 13.5 + b, kPack);
    limb(c, hip, plus(hip, pose.nearFoot), 2.6, kLeg);
    for (Point foot : {pose.farFoot, pose.nearFoot}) {
        Point sole = plus(hip, foot);
        box(c, sole.x - 1.5, sole.y - 1.0, sole.x + 2.5, sole.y + 1.0, kBoot);
    }
    box(c, kCentreX - 3.5, kFeetY + 5.5 + b, kCentreX + 3.5, kFeetY + 13.0 + b, kTorso);
    Point head{kCentreX + 0.5, kFeetY + 15.5 + b};
    disc(c, head, 4.2, kHelmet);
    box(c, head.x + 0.2, head.y - 1.6, head.x + 4.2, head.y + 2.2, kVisor);
    limb(c, shoulder, plus(shoulder, pose.nearHand), 2.2, kArm);
    disc(c, plus(shoulder, pose.nearHand), 1.3, kGlove);
    return c;
}

// Light from the upper left: a pixel whose upper-left neighbour belongs to another part is lit,
// one whose lower-right neighbour does is shaded.
Rgba shadePixel(const Canvas& c, int x, int y) {
    int p = c.get(x, y);
    int tone = 1;
    if (c.get(x - 1, y) != p || c.get(x, y + 1) != p) {
        tone = 2;
    } else if (c.get(x + 1, y) != p || c.get(x, y - 1) != p) {
        tone = 0;
    }
    if (p == kVisor && c.get(x, y + 1) == p && c.get(x + 1, y) == p && tone == 2) {
        tone = 1;
    }
    return opaque(kPalettes[p][tone]);
}

void paintFigure(Image& sheet, int column, int row, const Pose& pose) {
    Canvas c = drawFigure(pose);
    int x0 = column * kFrame, y0 = row * kFrame;
    for (int y = 0; y < kFrame; y++) {
        for (int x = 0; x < kFrame; x++) {
            if (c.get(x, y) != kNone) {
                sheet.set(x0 + x, y0 + y, shadePixel(c, x, y));
            }
        }
    }
    // No rim below the soles: the boots touch the ground on the row kFeetY.
    int feet = static_cast<int>(kFeetY);
    outlineShapes(sheet, x0, y0 + feet, kFrame, kFrame - feet, kOutlineColour);
}

// The death puff: a white flash that bursts into six small clouds, which drift out, shrink
// and grey over four frames.
void paintPuff(Image& sheet, int column) {
    const std::vector<Colour> vapour = {
        {96, 100, 116}, {156, 162, 176}, {212, 216, 226}, {250, 250, 255}};
    // Directions of the six clouds, spread unevenly round the circle (unit vectors).
    const Point kClouds[6] = {{0.955336, 0.29552},    {0.219007, 0.975723},  {-0.737394, 0.675463},
                              {-0.952818, -0.303542}, {-0.210796, -0.97753}, {0.743046, -0.66924}};
    double t = column / 3.0;
    int x0 = column * kFrame, y0 = kPuffRow * kFrame;
    for (int y = 0; y < kFrame; y++) {
        for (int x = 0; x < kFrame; x++) {
            double px = x + 0.5 - kCentreX, py = y + 0.5 - kCentreX;
            double best = 1e9;  // distance inside the nearest cloud, as a share of its radius
            double light = 0;
            if (column == 0) {
                double d = std::sqrt(px * px + py * py) / 5.0;
                best = d;
                light = 1.0 - 0.4 * d;
            }
            for (Point direction : kClouds) {
                if (column == 0) {
                    break;
                }
                double distance = 2.0 + 7.0 * t, radius = 4.2 - 1.8 * t;
                double cx = distance * direction.x, cy = distance * direction.y;
                double d = std::sqrt((px - cx) * (px - cx) + (py - cy) * (py - cy)) / radius;
                if (d < best) {
                    best = d;
                    light = 0.95 - 0.5 * t + 0.3 * ((cx - px) + (py - cy)) / radius * 0.5;
                }
            }
            if (best <= 1.0) {
                Colour c = ramp(vapour, std::clamp(light, 0.0, 0.999));
                sheet.set(x0 + x, y0 + y, opaque(c));
            }
        }
    }
}

}  // namespace

Image spacemanPicture() {
    Image sheet(kFrame * kFramesAcross, kFrame * kFramesAcross);
    // Waving: the near arm out, then up.
    const Pose wave[2] = {
        {{1.0, -5.5}, {-1.5, -5.5}, {5.0, 1.5}, {-1.0, -4.5}, 0},
        {{1.0, -5.5}, {-1.5, -5.5}, {4.5, 5.5}, {-1.0, -4.5}, 0},
    };
    // Walking: contact, passing (body up a pixel), the other contact, passing.
    const Pose walk[4] = {
        {{3.5, -5.0}, {-3.0, -5.0}, {-1.5, -4.0}, {2.5, -3.5}, 0},
        {{0.5, -5.5}, {-0.5, -4.5}, {0.5, -4.5}, {0.5, -4.5}, 1},
        {{-3.0, -5.0}, {3.5, -5.0}, {2.5, -3.5}, {-1.5, -4.0}, 0},
        {{-0.5, -4.5}, {0.5, -5.5}, {0.5, -4.5}, {0.5, -4.5}, 1},
    };
    // The standing frame is half the phase truncated, which is 2 for a phase of exactly 4.0:
    // the two frames repeat across the row so that such a step still shows the student.
    for (int i = 0; i < kFramesAcross; i++) {
        paintFigure(sheet, i, kStandRow, wave[i % 2]);
    }
    for (int i = 0; i < 4; i++) {
        paintFigure(sheet, i, kWalkRow, walk[i]);
        paintPuff(sheet, i);
    }
    return sheet;
}
