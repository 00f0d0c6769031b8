// Whole-file reads and atomic whole-file writes.
#pragma once

#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kivra {

// A file operation that failed; what() is the system's error text (Russian where we write it).
class TFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the whole file as bytes. Throws TFileError with the system's text on failure.
std::string ReadWholeFile(const std::filesystem::path& path);

// Writes the bytes to a temporary file in the same folder, flushes it to disk and renames it over
// `path`, so that a crash or a full disk never leaves a half-written file. Throws TFileError.
void WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes);

// True when the name matches the mask ("*" any run of characters, "?" one character), ignoring
// ASCII letter case; the mask "*.*" matches every name, names without a dot included.
bool MatchFileMask(std::string_view name, std::string_view mask);
// The regular files at the top level of the folder whose names match the mask, sorted by name.
std::vector<std::filesystem::path> FindFilesByMask(const std::filesystem::path& folder, std::string_view mask);

// The text of an errno value in Russian (the system's own texts are English): the common errors
// by name, any other as "Системная ошибка N", its English text then going to the standard error
// stream for whoever looks into a failure.
std::string SystemErrorText(int error);

// The text of a caught failure for the user: for the failures of the standard library's file and
// system calls (whose texts are English) their error code's Russian text and the path, the
// original text going to the standard error stream; for every other failure its own text.
std::string ErrorText(const std::exception& e);

}  // namespace kivra
