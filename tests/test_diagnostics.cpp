// The diagnostics listener: the line each problem prints as, and what the log
// keeps of loads that repeat (nine walkers) or that find a problem at every byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>

#include "assets/diagnostics.h"
#include "assets/printable_text.h"

namespace walkers {
namespace {

TEST(Diagnostics, LinesLookLikeACompilers) {
    struct Case {
        Diagnostic d;
        const char* line;
    } cases[] = {
        {{Severity::error, "/d/an.txt", at_line(12), "bad", false}, "/d/an.txt:12: error: bad"},
        {{Severity::warning, "/d/a.msh", at_byte(212), "odd", false},
         "/d/a.msh:byte 212: warning: odd"},
        {{Severity::error, "/d/x.bmp", NO_POSITION, "gone", true}, "/d/x.bmp: error: gone"},
        {{Severity::warning, "", at_line(1), "from memory", false},
         "(text):1: warning: from memory"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(format_diagnostic(c.d), c.line);
}

// Names from files reach every output through printable_text: what may pass,
// and what each kind of hostile byte becomes.
TEST(Diagnostics, NamesFromFilesAreEscapedWhereTheyCouldNotBeShown) {
    const std::pair<std::string, std::string> cases[] = {
        {"ome16.bmp", "ome16.bmp"},
        {"t\xe9te \xc3\xa9 \xe6\x97\xa5.bmp",
         "t\\xE9te \xc3\xa9 \xe6\x97\xa5.bmp"}, // Latin-1, UTF-8
        {std::string("a\0b\tc\nd\x1b[2J\x7f", 12), "a\\x00b\\x09c\\x0Ad\\x1B[2J\\x7F"},
        {"\xc2\x85\xe2\x80\xae\xe2\x81\xa6",
         "\\xC2\\x85\\xE2\\x80\\xAE\\xE2\\x81\\xA6"},       // C1, bidi
        {"\xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80 \xe6\x97", // overlong, surrogate, too high, cut
         "\\xC0\\xAF \\xED\\xA0\\x80 \\xF4\\x90\\x80\\x80 \\xE6\\x97"},
        {"C:\\x41", "C:\\\\x41"}, // a backslash of its own stays unambiguous
    };
    for (const auto& [raw, shown] : cases)
        EXPECT_EQ(printable_text(raw), shown);
    const Diagnostic d{Severity::error, "/d/\xff.msh", at_byte(8), "texture '\x1b]0;x\x07'", false};
    EXPECT_EQ(format_diagnostic(d), "/d/\\xFF.msh:byte 8: error: texture '\\x1B]0;x\\x07'");
}

TEST(Diagnostics, TheLogKeepsEachProblemOnceAndALoadTellsAtMostTwenty) {
    std::ostringstream echo;
    DiagnosticLog log(&echo);
    EXPECT_EQ(diagnostic_sink(), nullptr);
    {
        const ListeningScope listen(&log);
        for (int load = 0; load < 9; ++load) { // the same file, once per walker
            FileDiagnostics problems("many.msh");
            for (int32_t k = 0; k < PROBLEMS_PER_FILE_LOAD + 5; ++k)
                problems.warning(at_byte(k), "problem ", k);
            problems.error(at_byte(99), "the last");
        }
    }
    EXPECT_EQ(diagnostic_sink(), nullptr); // put back as it was
    const std::string file = (std::filesystem::current_path() / "many.msh").string();
    ASSERT_EQ(log.diagnostics().size(), static_cast<std::size_t>(PROBLEMS_PER_FILE_LOAD + 1));
    EXPECT_EQ(format_diagnostic(log.diagnostics()[19]), file + ":byte 19: warning: problem 19");
    // The five warnings and the error beyond the twenty: one line, an error.
    EXPECT_EQ(format_diagnostic(log.diagnostics()[20]),
              file + ": error: 6 more problems in this file are not listed");
    EXPECT_EQ(log.count(Severity::error), 1);
    EXPECT_EQ(log.count(Severity::warning), 20);
    // The echo got each kept line once, as it came.
    const std::string echoed = echo.str();
    EXPECT_EQ(std::count(echoed.begin(), echoed.end(), '\n'), 21);
    EXPECT_TRUE(log.unreadable_files().empty());
}

} // namespace
} // namespace walkers
