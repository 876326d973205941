// File: settings/settings_store.h
// Where the settings live between runs: the value names under
// HKEY_LOCAL_MACHINE\SOFTWARE\quillmax\param, the items of every list
// control, the blank-text rule, and LoadSettings / SaveSettings over the
// registry access. Values are read once at start (in the stages the main
// window's start-up runs them) and written once at exit.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "settings/registry_access.h"
#include "settings/settings.h"

namespace quillmax::settings {

inline constexpr const char* kParamKey = "SOFTWARE\\quillmax\\param";

// The items of the list controls, in their order; a stored list index is the
// position in these arrays. Editable lists' items are only suggestions.
inline constexpr std::array<std::string_view, 5> kFormatItems{ // combFormat
    "推奨形式", "JPEG", "PNG", "GIF", "ﾒﾀﾋﾟｸﾁｬ"};
inline constexpr std::array<std::string_view, 4> kRatioItems{ // combRatio
    "ｻｲｽﾞ最優先", "ｻｲｽﾞ優先", "画質優先", "画質最優先"};
inline constexpr std::array<std::string_view, 5> kFileSizeItems{ // combFileSize
    "10", "50", "100", "500", "1000"};
inline constexpr std::array<std::string_view, 5> kExpectRateItems{ // combExpectRate
    "95", "75", "50", "25", "10"};
inline constexpr std::array<std::string_view, 4> kPixelSizeItems{ // combPixelSize
    "10", "50", "100", "9999"};
inline constexpr std::array<std::string_view, 4> kFitSizeItems{ // combFitSize (empty: off)
    "", "10MB", "20MB", "25MB"};
inline constexpr std::array<std::string_view, 2> kSameFilenameItems{ // combSameFilename
    "ﾀﾞｲｱﾛｸﾞを表示", "常に上書き"};
inline constexpr std::array<std::string_view, 3> kTargetItems{ // combTarget
    "埋め込み動画とﾘﾝｸ先動画の両方を圧縮", "埋め込み動画(ｽﾗｲﾄﾞ内再生動画)のみ圧縮",
    "ﾘﾝｸ先動画(ﾒﾃﾞｨｱﾌﾟﾚｰﾔｰ再生動画)のみ圧縮"};
inline constexpr std::array<std::string_view, 3> kCondItems{ // combCond
    "全ての動画を圧縮(WMV化)", "元動画以下にｻｲｽﾞ縮小できる動画のみ圧縮",
    "元動画の半分以下にｻｲｽﾞ縮小できる動画のみ圧縮"};
inline constexpr std::array<std::string_view, 0> kTypeItems{}; // combType has none

// Captions of the two option-button arrays, element 0 then 1.
inline constexpr std::array<std::string_view, 2> kPPTFolderOptions{
    "元ﾊﾟﾜｰﾎﾟｲﾝﾄﾌｧｲﾙと同一ﾌｫﾙﾀﾞ", "指定ﾌｫﾙﾀﾞ"};
inline constexpr std::array<std::string_view, 2> kMovieFolderOptions{
    "元動画ﾌｧｲﾙと同一ﾌｫﾙﾀﾞ", "指定ﾌｫﾙﾀﾞ"};

inline constexpr int kDefaultFormHeight = 6000;

// True when nothing is left of the text once every NUL, CR, LF and space is
// removed.
bool IsBlankText(std::string_view text);

class SettingsStore {
public:
    // desktopFolder gives the folder defaults; null means the platform's
    // desktop folder.
    explicit SettingsStore(RegistryAccess& registry,
                           std::function<std::string()> desktopFolder = nullptr);

    // The windows' click handling of chkObject / chkMovie (showing the
    // detail buttons); run after OLE and after Movie are set. May stay empty.
    std::function<void()> chkObject_Click;
    std::function<void()> chkMovie_Click;

    // First stage: OLE, Movie, SameFilename, KeepFileDate, ShowFileSize,
    // optPPTFolder, optMovieFolder, PPTFolder, MovieFolder, Format, Ratio,
    // FileSize, ExpectRate, PixelSize, Twice, AllPictures, FitSize.
    void LoadSettingsFirstStage(Settings& s);
    // FormHeight; a failing step is skipped.
    void LoadFormHeight(Settings& s);
    // Second stage: MovieTarget, MovieCond; a failing step is skipped.
    void LoadSettingsSecondStage(Settings& s);
    // All three, in order (for front ends with nothing in between).
    void LoadSettings(Settings& s);

    // Writes every value in the stored order; empty editable and folder
    // texts write nothing; Encode is always "-1".
    void SaveSettings(const Settings& s);

    std::string DesktopFolder() const;

private:
    std::string Read(const char* name);

    RegistryAccess& registry_;
    std::function<std::string()> desktopFolder_;
};

} // namespace quillmax::settings
