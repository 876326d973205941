// File: tests/support/fake_encoder.h
// The tests' stand-in for the movie encoder: every step writes
// outputBase.<ext> at `ratio` times the movie's size and records what it
// was asked; `status` (or status 2 for a movie named in `starFor`) makes
// the step answer that instead.
#pragma once

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "engine/movie_encoder.h"

namespace quillmax::test {

class FakeEncoder : public engine::EncoderStep {
public:
    explicit FakeEncoder(std::string ext = "mp4", double ratio = 0.5) : ext(std::move(ext)), ratio(ratio) {}

    std::string ext;
    double ratio;
    int status = 0;
    std::set<std::string> starFor; // movie file names that answer 2
    std::vector<std::string> steps, movies, bases;

    int Run(const std::string& step, const std::string& moviePath, const std::string& outputBase,
            std::string& producedExt) override {
        steps.push_back(step);
        movies.push_back(moviePath);
        bases.push_back(outputBase);
        if (status != 0) return status;
        if (starFor.count(std::filesystem::path(moviePath).filename().string())) return 2;
        producedExt = ext;
        const auto size = static_cast<size_t>(static_cast<double>(std::filesystem::file_size(moviePath)) * ratio);
        std::ofstream(outputBase + "." + ext, std::ios::binary) << std::string(size, 'm');
        return 0;
    }
};

} // namespace quillmax::test
