#include "app/Settings.h"

#include "app/IniFile.h"

#include <climits>
#include <unistd.h>

namespace korv {

namespace {

constexpr const char* kSectionConfig = "FormConfig";
constexpr const char* kSectionParam = "Form_Param";

std::string ConfigKey(int i)
{
    return "ConfigWrite[" + std::to_string(i) + "]";
}

// Start of the file name within a path ('/' or '\\' end a folder name).
size_t NameStart(std::string_view path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? 0 : slash + 1;
}

} // namespace

std::string BuildSettingsPath(std::string_view cwd, std::string_view exePath)
{
    size_t slash = exePath.rfind('/');
    std::string_view name = slash == std::string_view::npos ? exePath : exePath.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string_view::npos)
        name = name.substr(0, dot);
    std::string path(cwd);
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    path += ".ini";
    return path;
}

std::string SettingsPathForProcess(const char* argv0)
{
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd))
        return std::string();
    char exe[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
        exe[n] = '\0';
        // An executable replaced on disk while it runs is shown with this
        // mark; the settings keep the name it was started under.
        std::string_view name(exe, static_cast<size_t>(n));
        constexpr std::string_view kDeleted = " (deleted)";
        if (name.size() > kDeleted.size() && name.substr(name.size() - kDeleted.size()) == kDeleted)
            name.remove_suffix(kDeleted.size());
        return BuildSettingsPath(cwd, name);
    }
    return BuildSettingsPath(cwd, argv0 ? argv0 : "");
}

void ReadSettings(const VariantProfile& profile, const std::string& path, SettingsValues& values)
{
    // An unreadable or missing file gives the defaults, without a message.
    IniFile ini;
    ini.Load(path);
    for (int i = 0; i < 14; ++i)
        values.ConfigImage[i] = static_cast<uint8_t>(ini.ReadInteger(kSectionConfig, ConfigKey(i), 0) & 0xFF);
    if (profile.hasEdit1Key)
        values.Edit1 = ini.ReadString(kSectionParam, "Edit1", kDefaultPath);
    values.Edit2 = ini.ReadString(kSectionParam, "Edit2", kDefaultPath);
    values.Edit5 = ini.ReadString(kSectionParam, "Edit5", kDefaultPath);
    values.ConfigChip = static_cast<uint16_t>(ini.ReadInteger(kSectionParam, "ConfigChip", 0) & 0xFFFF);
    values.LptBase = static_cast<uint16_t>(ini.ReadInteger(kSectionParam, "AdrLpt", kDefaultLptBase) & 0xFFFF);
}

bool WriteSettings(const VariantProfile& profile, const std::string& path, bool updateMode,
                   const SettingsValues& values, std::string* error)
{
    if (updateMode)
        return true;
    // A file that exists but cannot be read is not replaced: writing would
    // lose whatever else it holds.
    IniFile ini;
    if (!ini.Load(path, error))
        return false;
    if (profile.writesConfigWriteKeys && UpperFileExt(values.Edit1) == ".BIN") {
        for (int i = 0; i < 14; ++i)
            ini.WriteInteger(kSectionConfig, ConfigKey(i), values.ConfigImage[i]);
    }
    if (profile.hasEdit1Key)
        ini.WriteString(kSectionParam, "Edit1", values.Edit1);
    ini.WriteString(kSectionParam, "Edit2", values.Edit2);
    ini.WriteString(kSectionParam, "Edit5", values.Edit5);
    ini.WriteInteger(kSectionParam, "AdrLpt", values.LptBase);
    return ini.Save(path, error);
}

void ApplySettingsToUi(UiHost& host, const VariantProfile& profile, const SettingsValues& values)
{
    for (int i = 0; i < 14; ++i)
        host.SetText("FormConfig.Edit" + std::to_string(i + 1), ByteStrToBin(values.ConfigImage[i]));
    if (profile.hasEdit1Key)
        host.SetText("Form_Param.Edit1", values.Edit1);
    host.SetText("Form_Param.Edit2", values.Edit2);
    host.SetText("Form_Param.Edit5", values.Edit5);
}

void CollectPathsFromUi(const UiHost& host, const VariantProfile& profile, SettingsValues& values)
{
    if (profile.hasEdit1Key)
        values.Edit1 = host.Text("Form_Param.Edit1");
    values.Edit2 = host.Text("Form_Param.Edit2");
    values.Edit5 = host.Text("Form_Param.Edit5");
}

std::string ByteStrToBin(uint8_t value)
{
    std::string s(8, '0');
    for (int bit = 7; bit >= 0; --bit)
        if (value & (1u << bit))
            s[static_cast<size_t>(7 - bit)] = '1';
    return s;
}

std::string UpperFileExt(std::string_view path)
{
    std::string_view name = path.substr(NameStart(path));
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return std::string();
    std::string ext(name.substr(dot));
    for (char& c : ext)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return ext;
}

} // namespace korv
