// Reader and writer of the Windows INI format used by the settings file.
//
// The file is kept in memory line by line, each line with its own line end,
// so that writing one key changes that key's line and nothing else: other
// sections, keys, comments, blank lines and line ends survive byte for byte.
//
// Lookup rules follow the Windows profile functions: section and key names
// compare case-insensitively (ASCII letters), surrounding blanks of names and
// values are ignored, a value enclosed in one pair of matching quotes is read
// without them, and the first occurrence of a section or key wins.
//
// Line ends: a file keeps the line end of its first line (CRLF or LF) for
// every line the writer adds; a new file gets CRLF, the line end Windows
// tools and editors expect in a settings file that travels to and from the
// Windows machines of the workshop.
//
// Save() is atomic: the text goes into a temporary file in the same folder,
// is flushed to the disk and then renamed over the original, which keeps
// its permissions. On any failure the old file stays as it was and Save()
// returns false with the system's message. Nothing here throws.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korv {

class IniFile {
public:
    // Reads the file. A missing file is not an error: it reads as an empty
    // file (every key then gives its default). Other read errors return
    // false with the system's message in *error (if given) and leave the
    // object empty.
    bool Load(const std::string& path, std::string* error = nullptr);

    // Uses text as the file's content (for callers that already hold it).
    void LoadFromText(std::string_view text);

    // The whole file as it would be written.
    std::string Text() const;

    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;

    // Integer value: optional leading blanks, optional sign, then decimal
    // digits or 0x/0X and hexadecimal digits; trailing blanks are allowed.
    // Anything else (empty value, letters, a number out of the 32-bit range)
    // reads as def, as does a missing key.
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;

    // True when the key exists in the section.
    bool HasKey(std::string_view section, std::string_view key) const;

    // Sets a key in memory: an existing key gets the new value in place;
    // a new key is appended after the last non-blank line of its section;
    // a missing section is appended at the end of the file.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);

    // Writes the file atomically to path (see the header comment). On
    // failure returns false and puts the system's message into *error.
    bool Save(const std::string& path, std::string* error = nullptr) const;

    // Parses an integer value with the rules of ReadInteger; false when the
    // text is not a number.
    static bool ParseInteger(std::string_view text, int32_t& value);

private:
    struct Line {
        std::string text; // without line end
        std::string end;  // "\r\n", "\n" or "" (last line without line end)
    };

    int FindSection(std::string_view section) const;           // index of the header line or -1
    int FindKey(int sectionLine, std::string_view key) const;  // index of the key line or -1
    const std::string& NewLineEnd() const;

    std::vector<Line> lines_;
    std::string lineEnd_ = "\r\n";
};

} // namespace korv
