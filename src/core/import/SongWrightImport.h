// The SongWright importer: line-oriented song files (title, author, key, meter,
// tempo, lyrics and music lines) into one ABC tune with T:, C:, Z:, M:, L:, Q:, K:
// and w: lines. Each line carries a code letter and a sign ("+" or "-"); music
// lines are cells of pitch, accidental and duration.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tunora {

// Files larger than this are refused (a song is a few kilobytes).
inline constexpr size_t kSongWrightMaxFileSize = 1 << 20;

// The ABC text of one music cell sequence (the text after "M-"), without line end.
std::string ConvertSongWrightMusic(std::string_view cells, int& tripletCount);

// Converts a SongWright file's bytes into one ABC tune (CR LF lines, no X:); ""
// when the file does not begin with a title line.
std::string ConvertSongWrightText(std::string_view text, std::string_view sourcePath);

}  // namespace tunora
