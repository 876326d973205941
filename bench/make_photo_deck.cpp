// File: bench/make_photo_deck.cpp
// Writes a deck of large photos shown small, for the speed and memory
// benchmarks: N pictures, three to a slide, each a camera-sized JPEG.
// With --images DIR the pictures are that folder's JPEGs, else --distinct
// deterministic photo-like pictures of --size W x H; either is cycled, each
// use made different by a few bytes after the picture's end.
//
//   make-photo-deck OUT.pptx [--pictures N] [--size 4000x3000] [--distinct 4] [--quality 85]
//                   [--images DIR]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fixtures/deck_builder.h"

using namespace quillmax::pptx;
namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: make-photo-deck OUT.pptx [--pictures N] [--size WxH] [--images DIR]\n");
        return 2;
    }
    int pictures = 32, width = 4000, height = 3000, distinct = 4, quality = 85;
    std::string imagesDir;
    for (int i = 2; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--pictures") pictures = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--size") std::sscanf(argv[i + 1], "%dx%d", &width, &height);
        else if (a == "--images") imagesDir = argv[i + 1];
        else if (a == "--distinct") distinct = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--quality") quality = std::atoi(argv[i + 1]);
    }
    try {
        std::vector<std::string> files;
        if (!imagesDir.empty()) {
            for (auto& e : fs::recursive_directory_iterator(imagesDir)) {
                auto ext = e.path().extension().string();
                std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
                if (e.is_regular_file() && (ext == ".jpg" || ext == ".jpeg")) files.push_back(e.path().string());
            }
            std::sort(files.begin(), files.end());
            if (files.empty()) throw std::runtime_error("no JPEG pictures in " + imagesDir);
        }
        std::vector<std::string> made;
        for (int k = 0; files.empty() && k < distinct; ++k)
            made.push_back(deck::MakePhotoJpeg(width, height, 1000u + static_cast<unsigned>(k), quality));
        const size_t kinds = files.empty() ? made.size() : files.size();
        deck::Deck d;
        d.shareMedia = false;
        for (int i = 0; i < pictures; ++i) {
            if (i % 3 == 0) d.slides.emplace_back();
            imaging::EncodedImage image{"", "jpeg"};
            const size_t kind = static_cast<size_t>(i) % kinds;
            if (!files.empty()) {
                std::ifstream in(files[kind], std::ios::binary);
                std::ostringstream ss;
                ss << in.rdbuf();
                image.bytes = ss.str();
            } else {
                image.bytes = made[kind];
            }
            // The same bytes twice would be stored once.
            image.bytes += std::string(static_cast<size_t>(i) / kinds, '\0');
            const int k = i % 3;
            deck::Geometry g{24.0 + k * 232, 120, 216, 162};
            d.slides.back().shapes.push_back(deck::Picture(std::move(image), g, "Picture " + std::to_string(i + 1)));
        }
        deck::Write(d, argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-photo-deck: %s\n", e.what());
        return 1;
    }
    return 0;
}
