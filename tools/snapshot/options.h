// options.h - the command line of walkers-snapshot.
//
//   walkers-snapshot [--data DIR] [--size WxH] [--frames N] [--click F]...
//                    [--bmp FILE] [--state FILE]
//   walkers-snapshot --help | --version
//
// parse_options never throws and never exits: a bad command line comes back as
// ok == false with a one-line message naming the problem. Sizes must lie in
// 1..MAX_SURFACE_WIDTH x 1..MAX_SURFACE_HEIGHT, frames must be >= 1, click frames
// >= 1 (counted from 1; a click is given just before that frame), and at least
// one of --bmp and --state must be given (unless --help or --version is). Later
// options override earlier ones; clicks accumulate and come back sorted.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "frontend/demo_window.h"

namespace walkers {

struct SnapshotOptions {
    std::optional<std::string> data_dir; // none: the demo's own lookup
    // The surface the desktop window builds at start-up, so both frame alike.
    int32_t width = DEMO_SURFACE_WIDTH;
    int32_t height = DEMO_SURFACE_HEIGHT;
    int64_t frames = 1;
    std::vector<int64_t> clicks;
    std::string bmp_path;   // empty: no picture
    std::string state_path; // empty: no state; "-": standard output
    bool help = false;
    bool version = false;
};

struct ParsedOptions {
    bool ok = false;
    SnapshotOptions options;
    std::string error;
};

ParsedOptions parse_options(std::span<const std::string> args);
const std::string& snapshot_usage();

} // namespace walkers
