// reload_bench.cpp - how fast and how lean the window's reload is.
//
//   walkers_reload_bench latency DIR [CHANGES]   (default 20)
//   walkers_reload_bench soak DIR [RELOADS]      (default 1000)
//
// latency: the real window, paced at 60 frames a second, shows a copy of DIR.
// CHANGES times, half a second apart, a file of the copy is written anew (the
// outfit ome16.bmp, flipping between its own pixels and buki16.bmp's), and the
// time from the end of that write to the end of the first frame presented
// after the reload it causes is taken: the watcher's notice, the settling wait
// (FolderWatcher::SETTLE_TIME), the load, the wait for the frame's turn and the
// frame itself, which the view has painted and handed to the window system
// when run_frame returns. Prints each time, then the median and the largest.
//
// soak: the window reloads a copy of DIR RELOADS times, running a frame after
// each, and prints its resident memory (VmRSS) after 10, 100 and RELOADS
// reloads.
//
// Wall-clock figures: run on a quiet machine, on a display (Xvfb will do);
// scripts/bench.sh runs both. The reloads' lines on standard error are the
// program's own; send them elsewhere.
#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "app/demo_app.h"
#include "app/folder_watcher.h"

namespace {

using namespace walkers;
using std::chrono::nanoseconds;
namespace fs = std::filesystem;

constexpr int LATENCY_CHANGES = 20;
constexpr int SOAK_RELOADS = 1000;
constexpr int CHANGE_INTERVAL_MS = 500;
constexpr int FIRST_CHANGE_MS = 1000;

std::string read_bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

long resident_kib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

double ms(nanoseconds t) {
    return static_cast<double>(t.count()) / 1e6;
}

// Times from each change to the first frame presented after its reload.
class LatencyRun {
public:
    LatencyRun(const fs::path& folder, int changes)
        : folder_(folder), changes_(changes), outfits_{read_bytes(folder / "ome16.bmp"),
                                                       read_bytes(folder / "buki16.bmp")} {}

    SceneCalls watched(SceneCalls real) {
        SceneCalls calls = real;
        calls.setup = [this, setup = real.setup](WindowHost* host) {
            setup(host);
            if (changed_at_) reloaded_ = true;
        };
        calls.run_frame = [this, run = real.run_frame](WindowHost* host) {
            run(host);
            if (reloaded_) frame_shown();
        };
        return calls;
    }

    void start(DemoApp& demo) {
        demo_ = &demo;
        QTimer::singleShot(FIRST_CHANGE_MS, [this] { change(); });
    }

    const std::vector<nanoseconds>& times() const { return times_; }

private:
    void change() {
        write_bytes(folder_ / "ome16.bmp", outfits_[(times_.size() + 1) % 2]);
        changed_at_ = steady_now();
    }

    void frame_shown() {
        times_.push_back(steady_now() - *changed_at_);
        std::printf("change %zu: %.1f ms\n", times_.size(), ms(times_.back()));
        changed_at_.reset();
        reloaded_ = false;
        if (static_cast<int>(times_.size()) == changes_)
            demo_->loop().quit(0);
        else
            QTimer::singleShot(CHANGE_INTERVAL_MS, [this] { change(); });
    }

    fs::path folder_;
    int changes_;
    std::string outfits_[2];
    DemoApp* demo_ = nullptr;
    std::optional<nanoseconds> changed_at_;
    bool reloaded_ = false;
    std::vector<nanoseconds> times_;
};

int latency(const fs::path& folder, int changes) {
    LatencyRun run(folder, changes);
    DemoApp demo(run.watched(real_scene_calls(given_data_dir(folder))));
    run.start(demo);
    demo.exec();
    std::vector<nanoseconds> sorted = run.times();
    if (sorted.empty()) return 1;
    std::sort(sorted.begin(), sorted.end());
    std::printf("reload latency over %zu changes (settling wait %lld ms): median %.1f ms, "
                "largest %.1f ms\n",
                sorted.size(), static_cast<long long>(FolderWatcher::SETTLE_TIME.count()),
                ms(sorted[(sorted.size() - 1) / 2]), ms(sorted.back()));
    return 0;
}

int soak(const fs::path& folder, int reloads) {
    MainWindow window(real_scene_calls(given_data_dir(folder)));
    window.show();
    std::printf("resident memory after setup: %ld KiB\n", resident_kib());
    for (int i = 1; i <= reloads; ++i) {
        window.reload();
        window.runFrame();
        QCoreApplication::processEvents();
        if (i == 10 || i == 100 || i == reloads)
            std::printf("resident memory after %d reloads: %ld KiB\n", i, resident_kib());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (argc < 3 || (mode != "latency" && mode != "soak")) {
        std::fprintf(stderr, "usage: walkers_reload_bench latency|soak DIR [COUNT]\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QTemporaryDir scratch;
    const fs::path folder = fs::path(scratch.path().toStdString()) / "data";
    fs::copy(argv[2], folder, fs::copy_options::recursive);
    const int count = argc > 3 ? std::max(1, std::atoi(argv[3]))
                               : (mode == "latency" ? LATENCY_CHANGES : SOAK_RELOADS);
    return mode == "latency" ? latency(folder, count) : soak(folder, count);
}
