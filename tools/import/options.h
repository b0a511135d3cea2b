// options.h - walkers-import's command line.
//
//   walkers-import [--height N] [--forward AXIS] [--fps N] [--animation NAME]
//                  [--parts N] MODEL OUTDIR
//   walkers-import --list [options] MODEL
//   walkers-import --texture IN OUT.bmp
//   walkers-import --help | --version
//
// parse_options reads them strictly: every value whole and in its range, an
// unknown option or a missing argument an error (its message names the option
// as typed). Usage errors exit with status 2.
#pragma once

#include <span>
#include <string>

#include "import.h"

namespace walkers::import {

enum class Command { import_model, list, texture, help, version };

struct CommandLine {
    Command command = Command::import_model;
    ImportOptions options;
    std::string model;  // or the picture of --texture
    std::string output; // OUTDIR, or the BMP of --texture
    std::string error;  // non-empty: bad usage
};

CommandLine parse_options(std::span<const std::string> args);
const std::string& import_usage();

} // namespace walkers::import
