// Writes a PNG of one top-level X window, found by its title: waits until a viewable window
// of that title exists and its contents have stopped changing, then encodes it with nothing
// but Xlib (the deflate stream uses the fixed Huffman codes and a small LZ77 matcher). Given
// the picture taken before, it first waits for the window to show something else: the
// encoding is deterministic, so equal pixels give equal files.
// Used by tools/screenshot_wizard.sh. Usage: window_png TITLE OUTPUT.png [SECONDS [BEFORE.png]]
#include <X11/Xlib.h>
#include <X11/Xutil.h>
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

// ---- Deflate with the fixed codes ------------------------------------------------------------

class BitWriter {
public:
    explicit BitWriter(Bytes* out) : out_(out) {}
    void bits(unsigned value, int count) { // least significant bit first
        for (int i = 0; i < count; i++) bit((value >> i) & 1);
    }
    void code(unsigned value, int count) { // a Huffman code, most significant bit first
        for (int i = count - 1; i >= 0; i--) bit((value >> i) & 1);
    }
    void flush() {
        if (used_) out_->push_back(current_);
        current_ = 0, used_ = 0;
    }

private:
    void bit(unsigned b) {
        current_ |= (uint8_t)(b << used_);
        if (++used_ == 8) flush();
    }
    Bytes* out_;
    uint8_t current_ = 0;
    int used_ = 0;
};

const int kLengthBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                           31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const int kLengthExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                            2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const int kDistanceBase[] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                             33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                             1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const int kDistanceExtra[] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                              6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
static_assert(sizeof kLengthBase == sizeof kLengthExtra, "one extra count per length code");
static_assert(sizeof kDistanceBase / sizeof kDistanceBase[0] == 30, "thirty distance codes");

void Symbol(BitWriter& w, int symbol) {
    if (symbol < 144)
        w.code(0x30 + symbol, 8);
    else if (symbol < 256)
        w.code(0x190 + symbol - 144, 9);
    else if (symbol < 280)
        w.code(symbol - 256, 7);
    else
        w.code(0xC0 + symbol - 280, 8);
}

void Match(BitWriter& w, int length, int distance) {
    int l = 28;
    while (kLengthBase[l] > length) l--;
    Symbol(w, 257 + l);
    w.bits(length - kLengthBase[l], kLengthExtra[l]);
    int d = 29;
    while (kDistanceBase[d] > distance) d--;
    w.code(d, 5);
    w.bits(distance - kDistanceBase[d], kDistanceExtra[d]);
}

// A zlib stream of `data` in one fixed-code block.
Bytes Deflate(const Bytes& data) {
    Bytes out = {0x78, 0x01};
    BitWriter w(&out);
    w.bits(1, 1); // the last block
    w.bits(1, 2); // fixed codes
    const int kWindow = 32768, kMaxLength = 258;
    std::vector<int> head(1 << 15, -1);
    auto hash = [&](size_t i) {
        return ((data[i] << 10) ^ (data[i + 1] << 5) ^ data[i + 2]) & ((1 << 15) - 1);
    };
    size_t i = 0, n = data.size();
    while (i < n) {
        int length = 0, distance = 0;
        if (i + 2 < n) {
            int h = hash(i);
            int candidate = head[h];
            head[h] = (int)i;
            if (candidate >= 0 && (int)i - candidate <= kWindow) {
                while (length < kMaxLength && i + length < n &&
                       data[candidate + length] == data[i + length])
                    length++;
                distance = (int)i - candidate;
            }
        }
        if (length >= 3) {
            Match(w, length, distance);
            for (size_t k = i + 1; k < i + length && k + 2 < n; k++) head[hash(k)] = (int)k;
            i += length;
        } else {
            Symbol(w, data[i++]);
        }
    }
    Symbol(w, 256);
    w.flush();
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) a = (a + byte) % 65521, b = (b + a) % 65521;
    uint32_t adler = (b << 16) | a;
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back((uint8_t)(adler >> shift));
    return out;
}

// ---- PNG ---------------------------------------------------------------------------------------

uint32_t Crc(const Bytes& bytes) {
    static uint32_t table[256];
    if (!table[1])
        for (uint32_t n = 0; n < 256; n++) {
            uint32_t c = n;
            for (int k = 0; k < 8; k++) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    uint32_t c = 0xFFFFFFFFu;
    for (uint8_t byte : bytes) c = table[(c ^ byte) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
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
