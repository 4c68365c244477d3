// Reading a whole file into a fixed buffer.
#pragma once

#include <cstddef>
#include <string>

namespace korv {

// Reads the file at path into buf (at most capacity bytes) and sets length.
// False on any failure, with the system's message in error: the file cannot
// be opened or read, it is not a regular file, or it does not fit into the
// buffer ("File too large").
bool ReadFileToBuffer(const std::string& path, char* buf, size_t capacity, size_t& length, std::string& error);

// True when path names an existing regular file.
bool FileExists(const std::string& path);

} // namespace korv
