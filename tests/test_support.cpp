#include "tests/test_support.h"

#include <GL/gl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "campaign/campaign_state.h"
#include "frontend/window.h"
#include "platform/scripted_input.h"
#include "tools/common/tga.h"

namespace {

// Scratch folders made by this test program, removed when it ends.
std::vector<std::string>& scratchDirs() {
    static std::vector<std::string> dirs;
    return dirs;
}

void removeScratchDirs() {
    std::error_code ignored;
    for (const std::string& dir : scratchDirs()) {
        std::filesystem::remove_all(dir, ignored);
    }
}

}  // namespace

void CampaignTest::SetUp() {
    resetCampaign();
    useScriptedInput();
}

std::string makeScratchDir() {
    if (scratchDirs().empty()) {
        std::atexit(removeScratchDirs);
    }
    std::string pattern =
        (std::filesystem::temp_directory_path() / "morvelan-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const char* made = mkdtemp(buffer.data());
    if (!made) {
        return std::string();
    }
    scratchDirs().push_back(made);
    return made;
}

Pixel readPixel(int x, int y) {
    uint8_t rgba[4] = {0, 0, 0, 0};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return {rgba[0], rgba[1], rgba[2]};
}

bool pixelNear(const Pixel& p, float r, float g, float b) {
    return std::abs(p.r - r) <= 2 && std::abs(p.g - g) <= 2 && std::abs(p.b - b) <= 2;
}

void beginFrame() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1, 1, 1);
    glEnable(GL_TEXTURE_2D);
}

void saveScreenshot(const std::string& path) {
    const int width = 800, height = 600;
    std::vector<uint8_t> rgb(width * height * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return;
    }
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    for (int y = height - 1; y >= 0; y--) {
        std::fwrite(&rgb[y * width * 3], 1, width * 3, file);
    }
    std::fclose(file);
}

void writePixels(const std::string& path, int width, int height, const std::vector<Rgba>& texels) {
    Image image(width, height);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            image.set(x, y, texels[y * width + x]);
        }
    }
    writeTga(path, image, 32);
}

namespace {

// One polygon of the feedback buffer: its box on the screen and in the texture, and its colour.
struct FeedbackPolygon {
    DrawnQuad box;
    float red, green, blue;
};

const int kFeedbackFloatsPerVertex = 11;   // GL_3D_COLOR_TEXTURE: x y z, r g b a, s t r q
const float kGlyphCell = 1.0f / 16;        // a glyph's share of the font atlas, each way
const int kGlyphWidth = 8, kAdvance = 10;  // pixels, at scale 1

FeedbackPolygon polygonAt(const std::vector<GLfloat>& buffer, size_t at, int vertices) {
    const GLfloat* v = &buffer[at];
    FeedbackPolygon p = {{v[0], v[1], v[0], v[1], v[7], v[8], v[7], v[8]}, v[3], v[4], v[5]};
    for (int i = 1; i < vertices; i++) {
        const GLfloat* w = &buffer[at + i * kFeedbackFloatsPerVertex];
        p.box.left = std::min(p.box.left, w[0]);
        p.box.right = std::max(p.box.right, w[0]);
        p.box.bottom = std::min(p.box.bottom, w[1]);
        p.box.top = std::max(p.box.top, w[1]);
        p.box.sLeft = std::min(p.box.sLeft, w[7]);
        p.box.sRight = std::max(p.box.sRight, w[7]);
        p.box.tBottom = std::min(p.box.tBottom, w[8]);
        p.box.tTop = std::max(p.box.tTop, w[8]);
    }
    return p;
}

// A quad comes back as two triangles with the same box: keep one.
std::vector<FeedbackPolygon> feedbackPolygons(const std::vector<GLfloat>& buffer, int size) {
    std::vector<FeedbackPolygon> polygons;
    for (int at = 0; at < size;) {
        int token = static_cast<int>(buffer[at++]);
        int vertices = 0;
        if (token == GL_POLYGON_TOKEN) {
            vertices = static_cast<int>(buffer[at++]);
            FeedbackPolygon p = polygonAt(buffer, at, vertices);
            if (polygons.empty() || std::memcmp(&polygons.back(), &p, sizeof p) != 0) {
                polygons.push_back(p);
            }
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            vertices = 2;
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            at++;
        } else {
            vertices = 1;  // points, bitmaps and pixel rectangles
        }
        at += vertices * kFeedbackFloatsPerVertex;
    }
    return polygons;
}

// Feedback positions carry the rounding of the matrix products.
float roundedPixel(float v) {
    return std::round(v * 1000) / 1000;
}

bool near(float a, float b) {
    return std::fabs(a - b) < 0.01f;
}

bool isGlyph(const DrawnQuad& box) {
    return std::fabs(box.sRight - box.sLeft - kGlyphCell) < 1e-4f &&
           std::fabs(box.tTop - box.tBottom - kGlyphCell) < 1e-4f;
}

char glyphCode(const DrawnQuad& box) {
    int column = static_cast<int>(std::lround(box.sLeft / kGlyphCell));
    int row = static_cast<int>(std::lround((1.0f - box.tTop) / kGlyphCell));
    return static_cast<char>(row * 16 + column);
}

}  // namespace

DrawnScreen drawnScreen(const std::function<void()>& draw) {
    // A wide view that puts screen pixel (x, y) at window (x, y) and clips nothing near it.
    const int margin = 2000, width = 800, height = 600;  // pixels
    glPushAttrib(GL_VIEWPORT_BIT);
    glViewport(-margin, -margin, width + 2 * margin, height + 2 * margin);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-margin, width + margin, -margin, height + margin, -1, 1);
    glMatrixMode(GL_MODELVIEW);

    // Room for every copy of every glyph of a full screen; an overflow gives no polygons at all.
    std::vector<GLfloat> buffer(1 << 22);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    int size = glRenderMode(GL_RENDER);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();

    DrawnScreen screen;
    for (const FeedbackPolygon& p : feedbackPolygons(buffer, size)) {
        if (!isGlyph(p.box)) {
            DrawnQuad q = p.box;
            for (float* v : {&q.left, &q.bottom, &q.right, &q.top}) {
                *v = roundedPixel(*v);
            }
            screen.quads.push_back(q);
            continue;
        }
        if (p.red == 0 && p.green == 0 && p.blue == 0) {
            continue;  // outline
        }
        float scale = std::round(p.box.right - p.box.left) / kGlyphWidth;
        DrawnText* last = screen.texts.empty() ? nullptr : &screen.texts.back();
        bool continues = last && near(last->y, p.box.bottom) && last->scale == scale &&
                         last->red == p.red && last->green == p.green && last->blue == p.blue &&
                         near(last->x + kAdvance * scale * last->text.size(), p.box.left);
        if (continues) {
            last->text += glyphCode(p.box);
        } else {
            screen.texts.push_back({roundedPixel(p.box.left), roundedPixel(p.box.bottom),
                                    std::string(1, glyphCode(p.box)), p.red, p.green, p.blue,
                                    scale});
        }
    }
    return screen;
}

std::vector<std::string> placedTexts(const DrawnScreen& screen) {
    std::vector<std::string> placed;
    for (const DrawnText& t : screen.texts) {
        std::ostringstream line;
        line << "(" << t.x << ", " << t.y << ")";
        if (t.scale != 1) {
            line << " x" << t.scale;
        }
        if (t.red != 1 || t.green != 1 || t.blue != 1) {
            line << " rgb(" << t.red << ", " << t.green << ", " << t.blue << ")";
        }
        line << " " << t.text;
        placed.push_back(line.str());
    }
    return placed;
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        ADD_FAILURE() << "could not write " << path;
    }
    return path;
}

bool plant(NotAFile kind, const std::string& path) {
    switch (kind) {
        case NotAFile::Pipe:
            return mkfifo(path.c_str(), 0644) == 0;
        case NotAFile::DeviceLink:
            return symlink("/dev/zero", path.c_str()) == 0;
        case NotAFile::Folder:
            return mkdir(path.c_str(), 0755) == 0;
    }
    return false;
}

const char* describe(NotAFile kind) {
    const char* const names[] = {"a pipe", "a link to /dev/zero", "a folder"};
    return names[static_cast<int>(kind)];
}

int exitCodeInChild(const std::function<int()>& act) {
    pid_t child = fork();
    if (child == 0) {
        alarm(kHangSeconds);
        _exit(act());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

bool becomeNobody() {
    return setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0;
}

long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void press(std::initializer_list<int> keys) {
    scriptedInput().releaseAll();
    for (int key : keys) {
        scriptedInput().hold(key);
    }
}

InScratchFolder::InScratchFolder()
    : previous(std::filesystem::current_path().string()), dir(makeScratchDir()) {
    std::filesystem::create_directory(dir + "/data");
    std::filesystem::current_path(dir);
}

InScratchFolder::~InScratchFolder() {
    std::filesystem::current_path(previous);
}

std::string makeGameFolder() {
    namespace fs = std::filesystem;
    const fs::path top = fs::current_path();
    const fs::path dir = makeScratchDir();
    fs::create_directory_symlink(top / "graphics", dir / "graphics");
    fs::create_directory_symlink(top / "audio", dir / "audio");
    fs::create_directory(dir / "data");
    if (fs::exists(top / "data")) {
        fs::copy(top / "data", dir / "data", fs::copy_options::recursive);
    }
    fs::remove(dir / "data" / "savegame");
    return dir.string();
}
