// Software backend: bitmap resources compiled into a binary, BMP decoding and PNG output.
//
// Implements: per-module tables of BMP files registered by the libraries that carry them (a
// module is any address inside the binary: the tables are keyed by the binary's load address);
// loading by identifier decodes uncompressed BMP files of 1, 4, 8, 24 and 32 bits per pixel
// (bottom-up or top-down) into colour bitmaps, one-bit files into one-bit bitmaps; PNG files of
// any bitmap or window (child windows drawn over their parent).
// Not yet: run-length compressed BMP files, bit-field masks other than the usual 8-8-8.
#include "platform/soft/SoftInternal.h"

#include <dlfcn.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kestrune::platform {

namespace {

struct ResourceTable {
    const void* base;
    const BitmapResource* table;
    size_t count;
};

std::vector<ResourceTable>& resourceTables() {
    static auto* tables = new std::vector<ResourceTable>;
    return *tables;
}

// The load address of the binary that holds `address`, or the address itself.
const void* binaryBase(const void* address) {
    Dl_info info{};
    if (address && dladdr(address, &info) != 0 && info.dli_fbase)
        return info.dli_fbase;
    return address;
}

uint32_t readLittle(const unsigned char* p, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

bool writePng(const Surface& surface, const std::string& path) {
    if (surface.width <= 0 || surface.height <= 0)
        return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    std::vector<unsigned char> row(size_t(surface.width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(surface.width), png_uint_32(surface.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < surface.height; ++y) {
        for (int x = 0; x < surface.width; ++x) {
            uint32_t pixel = surface.at(x, y);
            if (surface.mono)
                pixel = pixel ? 0xFFFFFFu : 0u;
            row[size_t(x) * 3] = pixel & 0xFF;
            row[size_t(x) * 3 + 1] = (pixel >> 8) & 0xFF;
            row[size_t(x) * 3 + 2] = (pixel >> 16) & 0xFF;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

void composeInto(Surface& canvas, Window window, int originX, int originY) {
    const Surface& own = window->surface;
    for (int y = 0; y < own.height; ++y)
        for (int x = 0; x < own.width; ++x)
            if (canvas.contains(originX + x, originY + y))
                canvas.at(originX + x, originY + y) = own.at(x, y);
    for (Window child : window->children)
        if (child->style & styleVisible)
            composeInto(canvas, child, originX + child->rect.left, originY + child->rect.top);
}

} // namespace

bool decodeBmp(const unsigned char* bytes, size_t size, Surface& out) {
    if (!bytes || size < 14 + 40 || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    uint32_t dataOffset = readLittle(bytes + 10, 4);
    const unsigned char* header = bytes + 14;
    uint32_t headerSize = readLittle(header, 4);
    if (headerSize < 40 || 14 + size_t(headerSize) > size)
        return false;
    int32_t width = int32_t(readLittle(header + 4, 4));
    int32_t height = int32_t(readLittle(header + 8, 4));
    uint32_t bits = readLittle(header + 14, 2);
    uint32_t compression = readLittle(header + 16, 4);
    uint32_t colorsUsed = readLittle(header + 32, 4);
    bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return false;
    if (compression != 0 && !(compression == 3 && bits == 32))
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return false;
    size_t paletteEntries = bits <= 8 ? (colorsUsed ? colorsUsed : (1u << bits)) : 0;
    const unsigned char* palette = header + headerSize;
    if (compression == 3 && headerSize == 40)
        palette += 12; // the three masks follow the short header
    if (size_t(palette - bytes) + paletteEntries * 4 > size)
        return false;
    size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
    if (dataOffset > size || stride * size_t(height) > size - dataOffset)
        return false;

    // A one-bit file whose palette is black and white becomes a one-bit bitmap.
    auto paletteColor = [&](size_t index) -> uint32_t {
        if (index >= paletteEntries)
            return 0;
        const unsigned char* entry = palette + index * 4;
        return colorValue(entry[2], entry[1], entry[0]);
    };
    out.mono =
        bits == 1 && paletteEntries == 2 && paletteColor(0) == 0 && paletteColor(1) == 0xFFFFFFu;
    out.resize(width, height, 0);
    for (int32_t row = 0; row < height; ++row) {
        const unsigned char* line = bytes + dataOffset + stride * size_t(row);
        int32_t y = topDown ? row : height - 1 - row;
        for (int32_t x = 0; x < width; ++x) {
            uint32_t color = 0;
            switch (bits) {
            case 1: {
                unsigned index = (line[x >> 3] >> (7 - (x & 7))) & 1u;
                color = out.mono ? index : paletteColor(index);
                break;
            }
            case 4:
                color = paletteColor((line[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu);
                break;
            case 8:
                color = paletteColor(line[x]);
                break;
            case 24:
                color = colorValue(line[x * 3 + 2], line[x * 3 + 1], line[x * 3]);
                break;
            case 32:
                color = colorValue(line[x * 4 + 2], line[x * 4 + 1], line[x * 4]);
                break;
            }
            out.at(x, y) = color;
        }
    }
    return true;
}

void registerBitmapResources(Module module, const BitmapResource* table, size_t count) {
    if (!table)
        return;
    resourceTables().push_back(
        {binaryBase(module ? static_cast<const void*>(module) : table), table, count});
}

void unregisterBitmapResources(Module, const BitmapResource* table) {
    auto& tables = resourceTables();
    tables.erase(std::remove_if(tables.begin(), tables.end(),
                                [&](const ResourceTable& t) { return t.table == table; }),
                 tables.end());
}

DrawObject loadBitmapResource(Module module, int id) {
    trace("loadBitmapResource");
    if (!module)
        return nullptr;
    const void* base = binaryBase(module);
    id &= 0xFFFF; // an integer resource identifier
    for (const ResourceTable& t : resourceTables()) {
        if (t.base != base)
            continue;
        for (size_t i = 0; i < t.count; ++i) {
            if (t.table[i].id != id)
                continue;
            Surface decoded;
            if (!decodeBmp(t.table[i].bytes, t.table[i].size, decoded))
                return nullptr;
            DrawObject bitmap = newObject(ObjectKind::bitmap);
            if (bitmap)
                bitmap->surface = std::move(decoded);
            return bitmap;
        }
    }
    return nullptr;
}

Module moduleOfAddress(const void* address) {
    return static_cast<Module>(const_cast<void*>(binaryBase(address)));
}

namespace soft {

ColorValue bitmapPixel(DrawObject bitmap, int x, int y) {
    if (!isObject(bitmap) || bitmap->kind != ObjectKind::bitmap || !bitmap->surface.contains(x, y))
        return invalidColor;
    uint32_t pixel = bitmap->surface.at(x, y);
    return bitmap->surface.mono ? (pixel ? 0xFFFFFFu : 0u) : pixel;
}

bool writeBitmapPng(DrawObject bitmap, const std::string& path) {
    if (!isObject(bitmap) || bitmap->kind != ObjectKind::bitmap)
        return false;
    return writePng(bitmap->surface, path);
}

bool writeWindowPng(Window window, const std::string& path) {
    if (!isWindow(window))
        return false;
    Surface canvas;
    canvas.resize(window->surface.width, window->surface.height, 0);
    composeInto(canvas, window, 0, 0);
    return writePng(canvas, path);
}

} // namespace soft

} // namespace kestrune::platform
