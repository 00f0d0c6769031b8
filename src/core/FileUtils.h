// Whole-file reads and atomic whole-file writes.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

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

// The text of errno as the system gives it.
std::string SystemErrorText(int error);

}  // namespace kivra
