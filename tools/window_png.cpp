// Writes a PNG of one top-level X window, found by its title: waits until a viewable window
// of that title exists and its contents have stopped changing, then encodes it (Xlib reads
// the window, ISA-L compresses the rows and checks the chunks). Given the picture taken
// before, it first waits for the window to show something else: the encoding is
// deterministic, so equal pixels give equal files.
// Used by tools/screenshot_wizard.sh. Usage: window_png TITLE OUTPUT.png [SECONDS [BEFORE.png]]
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

// ---- Finding the window --------------------------------------------------------------------

Window FindByTitle(Display* d, Window under, const char* title) {
    char* name = nullptr;
    if (XFetchName(d, under, &name) && name) {
        bool same = strcmp(name, title) == 0;
        XFree(name);
        XWindowAttributes a;
        if (same && XGetWindowAttributes(d, under, &a) && a.map_state == IsViewable) return under;
    }
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, under, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; i++) found = FindByTitle(d, children[i], title);
    if (children) XFree(children);
    return found;
}

// The window's pixels as RGB triples; empty when it cannot be read.
Bytes Capture(Display* d, Window w, int* width, int* height) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a)) return Bytes();
    XImage* image = XGetImage(d, w, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (!image) return Bytes();
    *width = a.width;
    *height = a.height;
    Bytes rgb;
    rgb.reserve((size_t)a.width * a.height * 3);
    auto channel = [](unsigned long pixel, unsigned long mask) {
        if (!mask) return 0;
        int shift = 0;
        while (!(mask & 1)) mask >>= 1, shift++;
        return (int)(((pixel >> shift) & mask) * 255 / mask);
    };
    for (int y = 0; y < a.height; y++)
        for (int x = 0; x < a.width; x++) {
            unsigned long p = XGetPixel(image, x, y);
            rgb.push_back((uint8_t)channel(p, image->red_mask));
            rgb.push_back((uint8_t)channel(p, image->green_mask));
            rgb.push_back((uint8_t)channel(p, image->blue_mask));
        }
    XDestroyImage(image);
    return rgb;
}

// ---- PNG ---------------------------------------------------------------------------------------

// A zlib stream of `data`, made by ISA-L's deflate at its default level.
Bytes Deflate(const Bytes& data) {
    Bytes out(data.size() + data.size() / 8 + 1024);
    std::vector<uint8_t> level(ISAL_DEF_LVL1_DEFAULT);
    isal_zstream stream;
    isal_deflate_init(&stream);
    stream.gzip_flag = IGZIP_ZLIB;
    stream.level = 1;
    stream.level_buf = level.data();
    stream.level_buf_size = static_cast<uint32_t>(level.size());
    stream.end_of_stream = 1;
    stream.next_in = const_cast<uint8_t*>(data.data());
    stream.avail_in = static_cast<uint32_t>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uint32_t>(out.size());
    if (isal_deflate(&stream) != COMP_OK || stream.internal_state.state != ZSTATE_END) {
        fprintf(stderr, "window_png: the picture could not be compressed\n");
        exit(1);
    }
    out.resize(stream.total_out);
    return out;
}

// PNG's chunk checksum is gzip's CRC-32.
uint32_t Crc(const Bytes& bytes) {
    return crc32_gzip_refl(0, bytes.data(), bytes.size());
}

void Put32(Bytes* out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out->push_back((uint8_t)(v >> shift));
}

void Chunk(Bytes* png, const char* type, const Bytes& data) {
    Put32(png, (uint32_t)data.size());
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    png->insert(png->end(), typed.begin(), typed.end());
    Put32(png, Crc(typed));
}

// An indexed-colour PNG when the picture has at most 256 colours (a window does), else RGB.
Bytes Png(const Bytes& rgb, int width, int height) {
    std::map<uint32_t, int> palette;
    for (size_t i = 0; i < rgb.size() && palette.size() <= 256; i += 3)
        palette.emplace((rgb[i] << 16) | (rgb[i + 1] << 8) | rgb[i + 2], (int)palette.size());
    bool indexed = palette.size() <= 256;
    Bytes header;
    Put32(&header, width);
    Put32(&header, height);
    header.insert(header.end(), {8, (uint8_t)(indexed ? 3 : 2), 0, 0, 0});
    Bytes rows;
    for (int y = 0; y < height; y++) {
        rows.push_back(0); // no filter
        for (int x = 0; x < width; x++) {
            size_t at = ((size_t)y * width + x) * 3;
            if (indexed)
                rows.push_back(
                    (uint8_t)palette[(rgb[at] << 16) | (rgb[at + 1] << 8) | rgb[at + 2]]);
            else
                rows.insert(rows.end(), rgb.begin() + at, rgb.begin() + at + 3);
        }
    }
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Chunk(&png, "IHDR", header);
    if (indexed) {
        Bytes colours(palette.size() * 3);
        for (const auto& entry : palette) {
            colours[entry.second * 3] = (uint8_t)(entry.first >> 16);
            colours[entry.second * 3 + 1] = (uint8_t)(entry.first >> 8);
            colours[entry.second * 3 + 2] = (uint8_t)entry.first;
        }
        Chunk(&png, "PLTE", colours);
    }
    Chunk(&png, "IDAT", Deflate(rows));
    Chunk(&png, "IEND", Bytes());
    return png;
}

bool ReadFile(const char* path, Bytes* bytes) {
    FILE* in = fopen(path, "rb");
    if (!in) return false;
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, in)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + n);
    fclose(in);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: %s TITLE OUTPUT.png [SECONDS [BEFORE.png]]\n", argv[0]);
        return 2;
    }
    int seconds = argc > 3 ? atoi(argv[3]) : 30;
    Bytes before;
    if (argc > 4 && !ReadFile(argv[4], &before)) {
        fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[4]);
        return 1;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        fprintf(stderr, "%s: cannot open the display\n", argv[0]);
        return 1;
    }
    // Poll every 100 ms: first for the window, then for two equal captures in a row.
    Bytes last;
    int width = 0, height = 0;
    for (int tick = 0; tick < seconds * 10; tick++, usleep(100000)) {
        Window w = FindByTitle(d, DefaultRootWindow(d), argv[1]);
        if (!w) continue;
        Bytes now = Capture(d, w, &width, &height);
        if (now.empty() || now != last) {
            last = now;
            continue;
        }
        Bytes png = Png(now, width, height);
        if (png == before) continue;
        FILE* out = fopen(argv[2], "wb");
        if (!out || fwrite(png.data(), 1, png.size(), out) != png.size() || fclose(out) != 0) {
            fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
            return 1;
        }
        return 0;
    }
    fprintf(stderr, "%s: no steady window titled \"%s\"\n", argv[0], argv[1]);
    return 1;
}
