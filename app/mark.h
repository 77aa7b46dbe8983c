// The mark on every file the exporter writes, and what it proves.
//
// The mark names the program, its version and a digest of the file:
// "mountain-ranges-export 1.2.0 crc32 0a1b2c3d", zlib's CRC-32 of every byte
// but the digest's own field. The writers set it with the digest blank, and
// seal_mark fills that in, so that a file edited after it was written tells
// itself apart from one the exporter may replace. A mark without a digest,
// as 1.1.0 wrote it, proves only who wrote the file.
#pragma once

#include <string>

namespace app {

// The mark that the writers set, its digest blank:
// "mountain-ranges-export 1.2.0 crc32 00000000".
extern const char* const page_writer;

// Where a file carries the mark: as a PNG's "Software" text in the chunk
// after the header, in the comment after an SVG's first line, as the first
// line (a TeX comment), or as a PDF's Creator.
enum class MarkPlace { png_text, svg_comment, first_line, pdf_creator };

// Fills in the digest of the mark that `bytes`, as a writer returned them,
// bear at `place`.
void seal_mark(std::string& bytes, MarkPlace place);

enum class Mark {
    none,     // not a file of ours
    ours,     // sealed and unchanged since, or marked by 1.1.0, which wrote no digest
    changed,  // its content no longer matches its digest
};

// What the mark at `place` in `bytes` tells of the file.
Mark read_mark(const std::string& bytes, MarkPlace place);

}  // namespace app
