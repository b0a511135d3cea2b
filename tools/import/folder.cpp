#include "folder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <string>

namespace walkers::import {
namespace {

namespace fs = std::filesystem;

const std::set<std::string> FOLDER_KINDS = {".txt", ".msh", ".bmp"};

std::string reason() {
    return std::strerror(errno);
}

// Throws unless `out` may be replaced: absent, an empty folder, or a walkers
// folder of its own kinds of file only.
void check_replaceable(const fs::path& out) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(out, ec);
    if (!fs::exists(status)) return;
    if (!fs::is_directory(status))
        throw ImportError(out.string() + " exists and is not a folder; it is left alone");
    bool walkers = fs::is_regular_file(out / "mdt.txt", ec);
    std::string stranger;
    bool empty = true;
    for (const fs::directory_entry& e : fs::directory_iterator(out, ec)) {
        empty = false;
        const std::string ext = e.path().extension().string();
        if (stranger.empty() && (!e.is_regular_file(ec) || !FOLDER_KINDS.count(ext)))
            stranger = e.path().filename().string();
    }
    if (ec) throw ImportError(out.string() + ": cannot be read (" + ec.message() + ")");
    if (empty) return;
    if (!walkers)
        throw ImportError(out.string() + " holds files but no mdt.txt: it is not a walkers folder, "
                                         "so it is not replaced");
    if (!stranger.empty())
        throw ImportError(out.string() + " holds " + stranger +
                          ", which is not part of a walkers folder; move it away first");
}

fs::path make_temporary_beside(const fs::path& out) {
    std::string pattern =
        (out.parent_path() / ("." + out.filename().string() + ".import-XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        throw ImportError("cannot make a folder beside " + out.string() + ": " + reason());
    return pattern;
}

// The check of `fresh` as it reads once the folder is `out`: its problems name
// the files where they now are. `real` is `fresh` with its links resolved, as
// the loaders, which work inside it, may name it.
void point_to(check::CheckReport& report, const fs::path& fresh, const fs::path& real,
              const fs::path& out) {
    for (Diagnostic& d : report.problems) {
        const fs::path file(d.file);
        if (!file.empty() && (file.parent_path() == fresh || file.parent_path() == real))
            d.file = (out / file.filename()).string();
    }
    report.folder = out.string();
}

// Puts `fresh` where `out` is; afterwards `fresh` holds what `out` held, if anything.
void put_in_place(const fs::path& fresh, const fs::path& out) {
    std::error_code ec;
    if (!fs::exists(out, ec) || fs::is_empty(out, ec)) {
        if (std::rename(fresh.c_str(), out.c_str()) != 0)
            throw ImportError("cannot move the folder to " + out.string() + ": " + reason());
        return;
    }
    if (renameat2(AT_FDCWD, fresh.c_str(), AT_FDCWD, out.c_str(), RENAME_EXCHANGE) == 0) return;
    // No atomic exchange here: move the old folder aside, then the new one in.
    const fs::path aside = fresh.string() + ".old";
    if (std::rename(out.c_str(), aside.c_str()) != 0)
        throw ImportError("cannot replace " + out.string() + ": " + reason());
    if (std::rename(fresh.c_str(), out.c_str()) != 0) {
        const std::string why = reason();
        std::rename(aside.c_str(), out.c_str());
        throw ImportError("cannot replace " + out.string() + ": " + why);
    }
    std::rename(aside.c_str(), fresh.c_str());
}

} // namespace

check::CheckReport write_data_folder(const std::vector<DataFile>& files,
                                     const fs::path& out_given) {
    std::error_code ec;
    const fs::path out = fs::absolute(out_given, ec).lexically_normal();
    if (ec || out.filename().empty())
        throw ImportError(out_given.string() + ": not a folder name to write to");
    fs::create_directories(out.parent_path(), ec);
    if (ec) throw ImportError("cannot make " + out.parent_path().string() + ": " + ec.message());
    check_replaceable(out);
    const fs::path fresh = make_temporary_beside(out);
    try {
        for (const DataFile& f : files)
            if (const std::string why = writers::write_file(fresh / f.name, f.bytes); !why.empty())
                throw ImportError("cannot write " + (fresh / f.name).string() + ": " + why);
        check::CheckReport report = check::check_folder(fresh);
        const fs::path real = fs::weakly_canonical(fresh, ec);
        if (const int32_t errors = report.count(Severity::error); errors > 0) {
            std::string first;
            for (const Diagnostic& d : report.problems)
                if (d.severity == Severity::error) {
                    first = format_diagnostic(d);
                    break;
                }
            throw ImportError("walkers-check finds " + check::counted(errors, "error", "errors") +
                              " in the folder made, the first: " + first);
        }
        put_in_place(fresh, out);
        point_to(report, fresh, real, out);
        fs::remove_all(fresh, ec);
        return report;
    } catch (...) {
        fs::remove_all(fresh, ec);
        throw;
    }
}

} // namespace walkers::import
