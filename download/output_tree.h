// The output tree under the run directory: comic and chapter directories, image
// files and viewer pages. The only unit of the job that touches the file system.
//
// Names arrive in code page 936 from addresses and remote pages; they become
// native (UTF-8) names here. Conversion comes before any separator is looked at,
// because a code page 936 trail byte can be 0x5C, the backslash.
#pragma once

#include <filesystem>
#include <string_view>

#include "text/text.h"

// The longest name one directory level may have, in bytes of its UTF-8 form.
inline constexpr std::size_t kMaxNameBytes = 255;

// A code page 936 path with backslash separators as a native relative path:
// converted to UTF-8 first, then every backslash becomes "/".
std::filesystem::path native_path(const Text& local_path);

// A name from a remote page or an address made into exactly one directory level:
// "/" and "\" become "_", a name that is "." or ".." becomes "_" or "__", and a
// name longer than kMaxNameBytes is cut on a character boundary. Everything else
// stays as it is; the empty name stays empty (the level is the parent itself).
std::filesystem::path safe_name(const Text& local_name);

// Creates one directory level. True when the directory exists afterwards,
// whether it was made now or was there already.
bool make_directory(const std::filesystem::path& directory);

// Writes `bytes` as the whole content of `file`: into a temporary file in the same
// directory, then renamed over the final name, so that the final name never holds
// a partial file. False (and no temporary file left) when any step fails.
bool write_whole_file(const std::filesystem::path& file, std::string_view bytes);

// The directory that holds the running executable.
std::filesystem::path executable_directory();

// A native path as code page 936 text, for log lines.
Text path_text(const std::filesystem::path& path);
