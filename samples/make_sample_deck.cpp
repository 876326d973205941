// File: samples/make_sample_deck.cpp
// Writes the bundled sample deck: four slides of large photo-like pictures
// shown small (so compression visibly shrinks the file), one rotated, one
// cropped, a group of three, a hyperlink and an entrance animation.
//   make-sample-deck OUT.pptx
#include <cstdio>
#include <string>
#include <exception>

#include "fixtures/deck_builder.h"

using namespace quillmax::pptx;

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: make-sample-deck OUT.pptx\n");
        return argc == 2 && std::string(argv[1]) == "--help" ? 0 : 2;
    }
    try {
        auto photo = [](unsigned seed, int w = 3000, int h = 2000) {
            return imaging::EncodedImage{deck::MakePhotoJpeg(w, h, seed, 95), "jpeg"};
        };
        deck::Deck d;

        // 1: a title and two photos, one of them rotated.
        deck::Slide s1;
        s1.shapes.push_back(deck::TextBox({36, 24, 648, 50}, "Quillmax sample deck"));
        s1.shapes.push_back(deck::Picture(photo(1), {36, 100, 288, 192}, "Picture 1"));
        auto rotated = deck::Picture(photo(2), {380, 140, 288, 192}, "Picture 2");
        rotated.geometry.rotation = 12;
        s1.shapes.push_back(rotated);
        d.slides.push_back(s1);

        // 2: a cropped photo with a hyperlink, and one that fades in.
        deck::Slide s2;
        auto cropped = deck::Picture(photo(3), {36, 60, 288, 216}, "Picture 3");
        cropped.crop = {0.1, 0.05, 0.15, 0.1};
        cropped.click = deck::Action{"https://example.org/", "", "Visit the example site", "", ""};
        cropped.descr = "A cropped landscape with a link";
        s2.shapes.push_back(cropped);
        auto fading = deck::Picture(photo(4), {380, 60, 288, 216}, "Picture 4");
        fading.id = 10;
        s2.shapes.push_back(fading);
        s2.shapes.push_back(deck::Rectangle({380, 300, 288, 60}, "4472C4", "Fades in on click"));
        s2.effects.push_back({10, 10, deck::Trigger::OnClick, 500, 0, false});
        d.slides.push_back(s2);

        // 3: a group of three photos.
        deck::Slide s3;
        std::vector<deck::Shape> members;
        for (int i = 0; i < 3; ++i)
            members.push_back(deck::Picture(photo(5 + i, 2400, 1800), {36.0 + i * 220, 120, 200, 150},
                                            "Picture " + std::to_string(5 + i)));
        s3.shapes.push_back(deck::Group({36, 120, 640, 150}, members, "Group 1"));
        d.slides.push_back(s3);

        // 4: a line drawing (better kept lossless) beside a photo.
        deck::Slide s4;
        s4.shapes.push_back(deck::Picture({deck::MakeLineArtPng(1600, 1200, 8), "png"}, {36, 80, 320, 240}, "Picture 8"));
        s4.shapes.push_back(deck::Picture(photo(9), {380, 80, 288, 192}, "Picture 9"));
        d.slides.push_back(s4);

        deck::Write(d, argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-sample-deck: %s\n", e.what());
        return 1;
    }
    return 0;
}
