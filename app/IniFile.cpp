#include "app/IniFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korv {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Section name of a header line "[name]"; false when the line is none.
bool HeaderName(std::string_view text, std::string_view& name)
{
    std::string_view t = Trim(text);
    if (t.empty() || t.front() != '[')
        return false;
    size_t close = t.find(']');
    if (close == std::string_view::npos)
        return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

// Key name of a "key=value" line; false for comments and lines without '='.
bool KeyName(std::string_view text, std::string_view& name)
{
    std::string_view t = Trim(text);
    if (t.empty() || t.front() == ';')
        return false;
    size_t eq = text.find('=');
    if (eq == std::string_view::npos)
        return false;
    name = Trim(text.substr(0, eq));
    return !name.empty();
}

std::string ErrnoText(int e)
{
    return std::strerror(e);
}

bool WriteAll(int fd, const std::string& data, int& err)
{
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

bool IniFile::Load(const std::string& path, std::string* error)
{
    lines_.clear();
    lineEnd_ = "\r\n";
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return true;
        if (error)
            *error = ErrnoText(errno);
        return false;
    }
    std::string text;
    char buf[4096];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int e = errno;
            ::close(fd);
            if (error)
                *error = ErrnoText(e);
            return false;
        }
        if (n == 0)
            break;
        text.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    LoadFromText(text);
    return true;
}

void IniFile::LoadFromText(std::string_view text)
{
    lines_.clear();
    lineEnd_ = "\r\n";
    bool endChosen = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        Line l;
        if (nl == std::string_view::npos) {
            l.text = std::string(text.substr(pos));
            pos = text.size();
        } else {
            size_t end = nl;
            if (end > pos && text[end - 1] == '\r') {
                --end;
                l.end = "\r\n";
            } else {
                l.end = "\n";
            }
            l.text = std::string(text.substr(pos, end - pos));
            pos = nl + 1;
            if (!endChosen) {
                lineEnd_ = l.end;
                endChosen = true;
            }
        }
        lines_.push_back(std::move(l));
    }
}

std::string IniFile::Text() const
{
    std::string out;
    for (const auto& l : lines_) {
        out += l.text;
        out += l.end;
    }
    return out;
}

int IniFile::FindSection(std::string_view section) const
{
    for (size_t i = 0; i < lines_.size(); ++i) {
        std::string_view t = lines_[i].text;
        if (i == 0 && t.substr(0, kBom.size()) == kBom)
            t.remove_prefix(kBom.size());
        std::string_view name;
        if (HeaderName(t, name) && SameName(name, Trim(section)))
            return static_cast<int>(i);
    }
    return -1;
}

int IniFile::FindKey(int sectionLine, std::string_view key) const
{
    for (size_t i = static_cast<size_t>(sectionLine) + 1; i < lines_.size(); ++i) {
        std::string_view name;
        if (HeaderName(lines_[i].text, name))
            break;
        if (KeyName(lines_[i].text, name) && SameName(name, Trim(key)))
            return static_cast<int>(i);
    }
    return -1;
}

const std::string& IniFile::NewLineEnd() const
{
    return lineEnd_;
}

bool IniFile::HasKey(std::string_view section, std::string_view key) const
{
    int s = FindSection(section);
    return s >= 0 && FindKey(s, key) >= 0;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const
{
    int s = FindSection(section);
    int k = s >= 0 ? FindKey(s, key) : -1;
    if (k < 0)
        return std::string(def);
    std::string_view t = lines_[static_cast<size_t>(k)].text;
    std::string_view v = Trim(t.substr(t.find('=') + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

bool IniFile::ParseInteger(std::string_view text, int32_t& value)
{
    std::string_view t = Trim(text);
    bool negative = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    if (t.empty())
        return false;
    uint64_t magnitude = 0;
    if (t.size() >= 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        t.remove_prefix(2);
        if (t.empty())
            return false;
        for (char c : t) {
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                return false;
            magnitude = magnitude * 16 + static_cast<uint64_t>(d);
            if (magnitude > 0xFFFFFFFFull)
                return false;
        }
        // Hexadecimal spells the 32 bits directly (0xFFFFFFFF is -1).
        uint32_t bits = static_cast<uint32_t>(magnitude);
        if (negative)
            bits = 0u - bits;
        value = static_cast<int32_t>(bits);
        return true;
    }
    for (char c : t) {
        if (c < '0' || c > '9')
            return false;
        magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
        if (magnitude > 0x80000000ull)
            return false;
    }
    if (!negative && magnitude > 0x7FFFFFFFull)
        return false;
    value = negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude)) : static_cast<int32_t>(magnitude);
    return true;
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const
{
    if (!HasKey(section, key))
        return def;
    int32_t v;
    return ParseInteger(ReadString(section, key, ""), v) ? v : def;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    // A line end inside the value would split the line; such characters are
    // left out.
    std::string clean;
    for (char c : value)
        if (c != '\r' && c != '\n')
            clean += c;

    auto terminateLast = [this] {
        if (!lines_.empty() && lines_.back().end.empty())
            lines_.back().end = NewLineEnd();
    };

    int s = FindSection(section);
    if (s < 0) {
        terminateLast();
        lines_.push_back({"[" + std::string(Trim(section)) + "]", NewLineEnd()});
        lines_.push_back({std::string(Trim(key)) + "=" + clean, NewLineEnd()});
        return;
    }
    int k = FindKey(s, key);
    if (k >= 0) {
        std::string& t = lines_[static_cast<size_t>(k)].text;
        t = t.substr(0, t.find('=') + 1) + clean;
        return;
    }
    // After the last non-blank line of the section, so that blank lines
    // separating it from the next section stay where they are.
    size_t last = static_cast<size_t>(s);
    for (size_t i = last + 1; i < lines_.size(); ++i) {
        std::string_view name;
        if (HeaderName(lines_[i].text, name))
            break;
        if (!Trim(lines_[i].text).empty())
            last = i;
    }
    if (lines_[last].end.empty())
        lines_[last].end = NewLineEnd();
    lines_.insert(lines_.begin() + static_cast<long>(last) + 1,
                  Line{std::string(Trim(key)) + "=" + clean, NewLineEnd()});
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

bool IniFile::Save(const std::string& path, std::string* error) const
{
    auto fail = [error](int e) {
        if (error)
            *error = ErrnoText(e);
        return false;
    };

    if (path.empty())
        return fail(ENOENT);

    // A settings file reached through a symbolic link is replaced where it
    // really lies, so the link stays.
    std::string target = path;
    struct stat lst;
    if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved))
            target = resolved;
    }

    struct stat st;
    bool exists = ::stat(target.c_str(), &st) == 0;
    mode_t mode;
    if (exists) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    std::string tmp = target + ".XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        return fail(errno);

    int err = 0;
    const std::string data = Text();
    bool ok = WriteAll(fd, data, err);
    if (ok && ::fchmod(fd, mode) != 0) {
        err = errno;
        ok = false;
    }
    if (ok && exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid())) {
        // Keep the owner where allowed; a plain user cannot change it, and
        // the file then belongs to the user who saved it.
        int chownResult = ::fchown(fd, st.st_uid, st.st_gid);
        (void)chownResult;
    }
    if (ok && ::fsync(fd) != 0) {
        err = errno;
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        err = errno;
        ok = false;
    }
    if (ok && ::rename(tmp.c_str(), target.c_str()) != 0) {
        err = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        return fail(err);
    }

    // Make the rename itself durable.
    std::string dir = ".";
    size_t slash = target.rfind('/');
    if (slash != std::string::npos)
        dir = slash == 0 ? "/" : target.substr(0, slash);
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

} // namespace korv
