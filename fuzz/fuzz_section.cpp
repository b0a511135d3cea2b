// fuzz_section - parse_section_text on arbitrary bytes, then every accessor.
//
// The blob must respect its own layout: at most SECTION_BLOB_CAPACITY bytes, a
// multiple of four, ending in the terminator that the walk arrives at exactly,
// with NUL-terminated names. Every record byte is read so the sanitizers see
// any stray access, and every problem the parser reports must point inside the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "assets/section.h"
#include "fuzz_listener.h"

using namespace walkers;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    const fuzzing::HeardProblems heard;
    const SectionBlob blob = parse_section_text(text.data(), "s.txt");
    heard.check("/s.txt", fuzzing::last_line(data, size), 0);

    const std::size_t length = blob.bytes.size();
    if (length < 4 || length > SECTION_BLOB_CAPACITY || length % 4 != 0) std::abort();
    if (record_int(blob.bytes.data(), static_cast<int32_t>(length - 4)) != SECTION_TERMINATOR)
        std::abort();

    uint32_t sum = 0;
    SectionView s = first_section(blob);
    for (; section_name_size(s) != SECTION_TERMINATOR; s = next_section(s)) {
        const int32_t name_size = section_name_size(s);
        const std::size_t name_length = std::strlen(section_name(s));
        if (name_size % 4 != 0 || name_length >= static_cast<std::size_t>(name_size) ||
            name_length > TOKEN_CAPACITY - 1)
            std::abort();
        const uint8_t* records = section_records(s);
        const int32_t records_size = section_records_size(s);
        if (records_size < 0 || records_size % 4 != 0) std::abort();
        for (int32_t at = 0; at < records_size; ++at)
            sum += records[at];
        sum += static_cast<uint32_t>(section_count(s));
    }
    if (s.offset != static_cast<int32_t>(length - 4)) std::abort();
    if (section_name_size(next_section(s)) != SECTION_TERMINATOR) std::abort();
    volatile uint32_t sink = sum;
    (void)sink;
    return 0;
}
