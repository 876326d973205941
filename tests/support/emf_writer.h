// File: tests/support/emf_writer.h
// Small EMF files written record by record for the metafile tests: text in
// a named font, filled rectangles, pens and lines. Coordinates are pixels
// of a 96 dpi reference device.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace quillmax::test {

class EmfWriter {
public:
    EmfWriter(int widthPx, int heightPx) : w_(widthPx), h_(heightPx) {
        u32(1);
        u32(108);
        rect(0, 0, w_ - 1, h_ - 1);
        rect(0, 0, static_cast<std::int32_t>(w_ * 2540 / 96) - 1, static_cast<std::int32_t>(h_ * 2540 / 96) - 1);
        u32(0x464D4520);
        u32(0x00010000);
        u32(0);  // nBytes, set by Finish
        u32(0);  // nRecords, set by Finish
        u16(16), u16(0);
        u32(0), u32(0), u32(0);
        u32(960), u32(960), u32(254), u32(254);
        u32(0), u32(0), u32(0);
        u32(254000), u32(254000);
        records_ = 1;
    }

    // A solid brush (slot `slot`) selected for fills; colour 0xRRGGBB.
    void Brush(int slot, std::uint32_t rgb) {
        Begin(39, 24);
        u32(slot), u32(0), u32(Ref(rgb)), u32(0);
        Select(slot);
    }
    void Pen(int slot, int width, std::uint32_t rgb) {
        Begin(38, 28);
        u32(slot), u32(0), u32(width), u32(0), u32(Ref(rgb));
        Select(slot);
    }
    void Select(int slot) {
        Begin(37, 12);
        u32(slot);
    }
    void Rectangle(int l, int t, int r, int b) {
        Begin(43, 24);
        rect(l, t, r, b);
    }
    void MoveTo(int x, int y) {
        Begin(27, 16);
        u32(x), u32(y);
    }
    void LineTo(int x, int y) {
        Begin(54, 16);
        u32(x), u32(y);
    }
    // A font `heightPx` tall (cell height) named `face`, selected.
    void Font(int slot, int heightPx, const std::u16string& face, int charset = 128) {
        Begin(82, 104);
        u32(slot);
        u32(static_cast<std::uint32_t>(-heightPx)), u32(0), u32(0), u32(0), u32(400);
        s_.push_back(0), s_.push_back(0), s_.push_back(0), s_.push_back(static_cast<char>(charset));
        s_.push_back(0), s_.push_back(0), s_.push_back(4), s_.push_back(0);
        for (int i = 0; i < 32; ++i) u16(i < static_cast<int>(face.size()) ? face[i] : 0);
        Select(slot);
    }
    void TextColour(std::uint32_t rgb) {
        Begin(24, 12);
        u32(Ref(rgb));
        Begin(18, 12); // SETBKMODE: transparent
        u32(1);
    }
    // Text at (x, y) (top left of the cell) with one advance per character.
    void Text(int x, int y, const std::u16string& text, const int* advances) {
        const std::uint32_t n = static_cast<std::uint32_t>(text.size());
        const std::uint32_t strBytes = (n * 2 + 3) / 4 * 4;
        Begin(84, 76 + strBytes + n * 4);
        rect(0, 0, -1, -1);
        u32(1);        // GM_COMPATIBLE
        f32(0), f32(0);
        u32(x), u32(y);
        u32(n);
        u32(76);       // offString
        u32(0);        // options
        rect(0, 0, -1, -1);
        u32(76 + strBytes);
        for (char16_t c : text) u16(c);
        while (s_.size() % 4) s_.push_back(0);
        for (std::uint32_t i = 0; i < n; ++i) u32(advances[i]);
    }

    std::string Finish() {
        Begin(14, 20);
        u32(0), u32(16), u32(20);
        Patch(48, static_cast<std::uint32_t>(s_.size()));
        Patch(52, records_);
        return s_;
    }

private:
    static std::uint32_t Ref(std::uint32_t rgb) {
        return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    }
    void Begin(std::uint32_t type, std::uint32_t size) {
        u32(type), u32(size);
        ++records_;
    }
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) s_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    void u32(int v) { u32(static_cast<std::uint32_t>(v)); }
    void u16(std::uint16_t v) {
        s_.push_back(static_cast<char>(v & 0xFF));
        s_.push_back(static_cast<char>(v >> 8));
    }
    void u16(char16_t v) { u16(static_cast<std::uint16_t>(v)); }
    void u16(int v) { u16(static_cast<std::uint16_t>(v)); }
    void f32(float f) {
        std::uint32_t v;
        std::memcpy(&v, &f, 4);
        u32(v);
    }
    void rect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
        u32(static_cast<std::uint32_t>(l)), u32(static_cast<std::uint32_t>(t));
        u32(static_cast<std::uint32_t>(r)), u32(static_cast<std::uint32_t>(b));
    }
    void Patch(size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) s_[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }

    int w_, h_;
    std::uint32_t records_ = 0;
    std::string s_;
};

} // namespace quillmax::test
