#include "mark.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "png_file.h"

namespace app {

namespace {

constexpr std::size_t npos = std::string::npos;
constexpr std::string_view program_name = "mountain-ranges-export ";
constexpr std::string_view digest_name = " crc32 ";
constexpr std::size_t digest_digits = 8;
constexpr std::size_t png_text_at = png_mark_chunk + 8;  // the mark chunk's data, past its length and type

}  // namespace

const char* const page_writer = "mountain-ranges-export " MOUNTAIN_RANGES_VERSION " crc32 00000000";

namespace {

// The end of the PNG mark chunk's data, where its CRC starts.
std::size_t png_text_end(const std::string& bytes)
{
    std::uint32_t length = 0;
    for (std::size_t i = png_mark_chunk; i < png_mark_chunk + 4; ++i)
        length = length << 8U | static_cast<unsigned char>(bytes[i]);
    return png_text_at + length;
}

// Where the mark's text starts in `bytes`, or npos when they bear none. It
// follows "tEXtSoftware\0" in the chunk after the PNG's signature and header
// chunk (which must end before the file does), opens the comment after the
// SVG's first line, follows "% " on the TikZ page's first line, or opens the
// PDF's Creator, which cairo writes in the information dictionary at the end.
std::size_t find_mark(const std::string& bytes, MarkPlace place)
{
    if (place == MarkPlace::pdf_creator) {
        constexpr std::size_t tail = 16384;  // the end of a PDF of a hundred pages takes 10 kB
        const std::string opening = "/Creator (" + std::string(program_name);
        const std::size_t at = bytes.find(opening, bytes.size() > tail ? bytes.size() - tail : 0);
        return at == npos ? npos : at + opening.size() - program_name.size();
    }
    const std::string opening = (place == MarkPlace::png_text      ? std::string("tEXtSoftware") + '\0'
                                 : place == MarkPlace::svg_comment ? "<!-- "
                                                                   : "% ") +
                                std::string(program_name);
    const std::size_t line_end = bytes.find('\n');
    const std::size_t at = place == MarkPlace::png_text      ? png_mark_chunk + 4  // past the chunk's length
                           : place == MarkPlace::svg_comment ? (line_end == npos ? bytes.size() : line_end + 1)
                                                             : 0;
    if (bytes.compare(std::min(at, bytes.size()), opening.size(), opening) != 0 ||
        (place == MarkPlace::png_text && png_text_end(bytes) + 4 > bytes.size()))
        return npos;
    return at + opening.size() - program_name.size();
}

// Where the digits of the digest lie in the mark whose text starts at
// `mark`, or npos for a mark without a digest.
std::size_t find_digest(const std::string& bytes, std::size_t mark, MarkPlace place)
{
    const std::size_t end = place == MarkPlace::png_text ? png_text_end(bytes) : bytes.size();
    const std::size_t version_end = bytes.find_first_not_of("0123456789.", mark + program_name.size());
    const std::size_t field = version_end + digest_name.size();
    if (version_end == npos || field + digest_digits > end ||
        bytes.compare(version_end, digest_name.size(), digest_name) != 0)
        return npos;
    return field;
}

std::uint32_t crc(const std::string& bytes, std::size_t from, std::size_t to)
{
    return static_cast<std::uint32_t>(crc32_z(0, reinterpret_cast<const Bytef*>(bytes.data() + from), to - from));
}

// Writes into the digest's field at `field` the CRC-32 of `bytes` with that
// field's digits as '0' and, in a PNG, the mark chunk's own CRC as four zero
// bytes: the field of the digest includes that CRC, which covers the digits
// and so is set after them.
void seal_at(std::string& bytes, std::size_t field, MarkPlace place)
{
    const std::size_t chunk_crc = place == MarkPlace::png_text ? png_text_end(bytes) : npos;
    bytes.replace(field, digest_digits, digest_digits, '0');
    if (chunk_crc != npos)
        bytes.replace(chunk_crc, 4, 4, '\0');
    char digits[digest_digits + 1];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(crc(bytes, 0, bytes.size())));
    bytes.replace(field, digest_digits, digits);
    if (chunk_crc == npos)
        return;
    const std::uint32_t chunk = crc(bytes, png_mark_chunk + 4, chunk_crc);  // of the type and data
    for (std::size_t i = 0; i < 4; ++i)
        bytes[chunk_crc + i] = static_cast<char>(chunk >> (24 - 8 * i));
}

// Whether the mark at `mark` is one that 1.1.0 wrote, its version and
// nothing more up to where the mark ends: any other mark without a digest
// is one of ours changed since.
bool legacy_mark(const std::string& bytes, std::size_t mark, MarkPlace place)
{
    const std::string legacy = std::string(program_name) + "1.1.0";
    const std::string end = place == MarkPlace::svg_comment ? " -->" : place == MarkPlace::first_line ? "\n" : ")";
    if (bytes.compare(mark, legacy.size(), legacy) != 0)
        return false;
    return place == MarkPlace::png_text ? mark + legacy.size() == png_text_end(bytes)
                                        : bytes.compare(mark + legacy.size(), end.size(), end) == 0;
}

}  // namespace

void seal_mark(std::string& bytes, MarkPlace place)
{
    const std::size_t mark = find_mark(bytes, place);
    const std::size_t field = mark == npos ? npos : find_digest(bytes, mark, place);
    if (field != npos)
        seal_at(bytes, field, place);
}

Mark read_mark(const std::string& bytes, MarkPlace place)
{
    const std::size_t mark = find_mark(bytes, place);
    if (mark == npos)
        return Mark::none;
    const std::size_t field = find_digest(bytes, mark, place);
    if (field == npos)
        return legacy_mark(bytes, mark, place) ? Mark::ours : Mark::changed;
    std::string sealed = bytes;  // sealed again, it comes out the same unless changed
    seal_at(sealed, field, place);
    return sealed == bytes ? Mark::ours : Mark::changed;
}

}  // namespace app
