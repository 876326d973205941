// File: settings/settings_store.cpp
// LoadSettings / SaveSettings. Stored texts that are blank give the
// default; texts that are not usable (not a number, outside the list) give
// the default too, so a damaged store never stops the program.
#include "settings/settings_store.h"

#include <charconv>

#include "base/containment.h"
#include "base/platform_services.h"

namespace quillmax::settings {
namespace {

bool IsBlankChar(char c) { return c == '\0' || c == '\r' || c == '\n' || c == ' '; }

// The integer a stored text stands for: optional blanks (and tabs) around an
// optional sign and decimal digits. Anything else is not a number.
bool ParseInt(std::string_view text, long long& out) {
    size_t b = 0, e = text.size();
    while (b < e && (IsBlankChar(text[b]) || text[b] == '\t')) ++b;
    while (e > b && (IsBlankChar(text[e - 1]) || text[e - 1] == '\t')) --e;
    std::string_view t = text.substr(b, e - b);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    if (t.empty()) return false;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
    return ec == std::errc() && p == t.data() + t.size();
}

// Check boxes keep 0, 1 and 2 (grayed) as read.
int CheckValue(std::string_view text, int fallback) {
    long long v;
    if (IsBlankText(text) || !ParseInt(text, v) || v < 0 || v > 2) return fallback;
    return static_cast<int>(v);
}

// A list index inside the list, or -1 (nothing selected).
int ListIndex(std::string_view text, size_t count, int fallback) {
    long long v;
    if (IsBlankText(text) || !ParseInt(text, v) || v < -1 || v >= static_cast<long long>(count))
        return fallback;
    return static_cast<int>(v);
}

int OptionIndex(std::string_view text) {
    if (IsBlankText(text)) return 0;
    return text == "0" ? 0 : 1;
}

std::string Text(std::string_view text, const std::string& fallback) {
    return IsBlankText(text) ? fallback : std::string(text);
}

} // namespace

bool IsBlankText(std::string_view text) {
    for (char c : text)
        if (!IsBlankChar(c)) return false;
    return true;
}

SettingsStore::SettingsStore(RegistryAccess& registry, std::function<std::string()> desktopFolder)
    : registry_(registry), desktopFolder_(std::move(desktopFolder)) {}

std::string SettingsStore::DesktopFolder() const {
    return desktopFolder_ ? desktopFolder_() : settings::DesktopFolder();
}

std::string SettingsStore::Read(const char* name) {
    return registry_.ReadRegistryText(RegRoot::LocalMachine, kParamKey, name).text;
}

void SettingsStore::LoadSettingsFirstStage(Settings& s) {
    s.OLE = CheckValue(Read("OLE"), 1);
    if (chkObject_Click) chkObject_Click();
    s.Movie = CheckValue(Read("Movie"), 0);
    if (chkMovie_Click) chkMovie_Click();
    s.SameFilename = ListIndex(Read("SameFilename"), kSameFilenameItems.size(), 0);
    s.KeepFileDate = CheckValue(Read("KeepFileDate"), 0);
    s.ShowFileSize = CheckValue(Read("ShowFileSize"), 1);
    s.optPPTFolder = OptionIndex(Read("optPPTFolder"));
    s.optMovieFolder = OptionIndex(Read("optMovieFolder"));
    // The desktop folder is asked only when a folder value is blank.
    std::string ppt = Read("PPTFolder");
    s.PPTFolder = IsBlankText(ppt) ? DesktopFolder() : ppt;
    std::string movie = Read("MovieFolder");
    s.MovieFolder = IsBlankText(movie) ? DesktopFolder() : movie;
    s.Format = ListIndex(Read("Format"), kFormatItems.size(), 0);
    s.Ratio = ListIndex(Read("Ratio"), kRatioItems.size(), 1);
    s.FileSize = Text(Read("FileSize"), "50");
    s.ExpectRate = Text(Read("ExpectRate"), "75");
    s.PixelSize = Text(Read("PixelSize"), "50");
    s.Twice = CheckValue(Read("Twice"), 1);
    s.AllPictures = CheckValue(Read("AllPictures"), 0);
    s.FitSize = Text(Read("FitSize"), "");
}

void SettingsStore::LoadFormHeight(Settings& s) {
    office::step([&] {
        long long v;
        std::string text = Read("FormHeight");
        // Heights that no window can have give the default; the window raises
        // a height below its minimum itself.
        s.FormHeight = (!IsBlankText(text) && ParseInt(text, v) && v > 0 && v <= 1000000)
                           ? static_cast<int>(v)
                           : kDefaultFormHeight;
    });
}

void SettingsStore::LoadSettingsSecondStage(Settings& s) {
    office::step([&] { s.MovieTarget = ListIndex(Read("MovieTarget"), kTargetItems.size(), 0); });
    office::step([&] { s.MovieCond = ListIndex(Read("MovieCond"), kCondItems.size(), 0); });
}

void SettingsStore::LoadSettings(Settings& s) {
    LoadSettingsFirstStage(s);
    LoadFormHeight(s);
    LoadSettingsSecondStage(s);
}

void SettingsStore::SaveSettings(const Settings& s) {
    auto put = [&](const char* name, const std::string& text) {
        registry_.WriteRegistryText(RegRoot::LocalMachine, kParamKey, name, text);
    };
    auto putNumber = [&](const char* name, int v) { put(name, std::to_string(v)); };
    auto putText = [&](const char* name, const std::string& text) {
        if (!text.empty()) put(name, text); // an empty text keeps the stored one
    };
    registry_.api().BeginBatch(RegRoot::LocalMachine); // one write of the store, not nineteen
    putNumber("SameFilename", s.SameFilename);
    putNumber("KeepFileDate", s.KeepFileDate);
    putNumber("ShowFileSize", s.ShowFileSize);
    put("optPPTFolder", s.optPPTFolder == 0 ? "0" : "1");
    put("optMovieFolder", s.optMovieFolder == 0 ? "0" : "1");
    putText("PPTFolder", s.PPTFolder);
    putText("MovieFolder", s.MovieFolder);
    putNumber("MovieTarget", s.MovieTarget);
    putNumber("MovieCond", s.MovieCond);
    putNumber("Twice", s.Twice);
    putNumber("Format", s.Format);
    putNumber("Ratio", s.Ratio);
    putText("FileSize", s.FileSize);
    putText("ExpectRate", s.ExpectRate);
    putText("PixelSize", s.PixelSize);
    putNumber("FormHeight", s.FormHeight);
    putNumber("OLE", s.OLE);
    putNumber("Movie", s.Movie);
    putNumber("AllPictures", s.AllPictures);
    // Written even when empty: an emptied field turns the fit off, it does
    // not bring back the size stored before.
    put("FitSize", s.FitSize);
    put("Encode", "-1"); // combType has no items: never a selection
    registry_.api().EndBatch(RegRoot::LocalMachine);
}

} // namespace quillmax::settings
