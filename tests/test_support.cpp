#include "tests/test_support.h"

#include <GL/gl.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "frontend/window.h"
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
