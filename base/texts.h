// SPDX-License-Identifier: MIT
// Every text the player can see, in one place. The game's glyph atlas holds every character of
// kPlayerTexts, and its tool refuses a character the font has no glyph of its own for, so a text
// added anywhere else would ship without either: add it here and use it from here.
#pragma once

#include <string_view>

namespace enclova {

// The countdown, indexed by its stage: "Ready" at stage 1 .. "Ready..." at stage 4, "Go!" at 5.
constexpr std::string_view kCountdownTexts[] = {"",        "Ready",    "Ready.",
                                                "Ready..", "Ready...", "   Go!       "};

// The result.
constexpr std::string_view kGoodVerdict = "Ｇｏｏｄ!";
constexpr std::string_view kMissVerdict = "Ｍｉｓｓ!";
constexpr std::string_view kTimeLabel = "Time : ";
constexpr std::string_view kRankLabel = "Rank in ";
constexpr std::string_view kOrdinalSuffixes = "st nd rd th";

// The ranking screen; the footer has three ideographic spaces on each side of its words.
constexpr std::string_view kRankHeading = "Rank";
constexpr std::string_view kLevelHeading = "Level";
constexpr std::string_view kTimeHeading = "Time";
constexpr std::string_view kNoEntry = "-------    No Entry    -------";
constexpr std::string_view kPressAnyKey =
    "########\u3000\u3000\u3000Press any key\u3000\u3000\u3000########";

// Numbers and times anywhere: levels, places, the result's and the ranking's times.
constexpr std::string_view kNumberCharacters = "0123456789-' \"";

// The title when start-up could not load the game's files.
constexpr std::string_view kStartupFailureLines[] = {
    "fdata.dat / fgra.bmp を読み込めませんでした。",
    "The game files fdata.dat / fgra.bmp could not be loaded.",
    "X: ランキング (ranking)    Esc: 終了 (quit)",
};

// The error box's texts; "%s" and "%d" stand for a path and a number.
constexpr std::string_view kErrFileNotFoundText = "ファイルが見つかりません";
constexpr std::string_view kErrInvalidNameText = "不正なファイル名です";
constexpr std::string_view kErrTooManyOpenFilesText = "オープンしたファイルが多すぎます";
constexpr std::string_view kErrAccessDeniedText = "ファイルへのアクセスが拒否されました";
constexpr std::string_view kErrReadPastEndText = "ファイルの末尾以降を読み込みました";
constexpr std::string_view kErrDiskFullText = "ディスクがいっぱいです";
constexpr std::string_view kIoErrorOpen = "I/O エラー (";     // then the number and ")"
constexpr std::string_view kPictureOpenBefore = "ファイル ";  // then the path
constexpr std::string_view kPictureOpenAfter = " は開けません";
constexpr std::string_view kInvalidBitmapText = "ビットマップイメージが不正です";
constexpr std::string_view kErrorBoxButton = "OK";
// The paths the error box names: printable ASCII draws from the game's own glyphs on any system.
constexpr std::string_view kPathCharacters =
    " !\"#$%&'()*+,-./"
    "0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~";

constexpr std::string_view kPlayerTexts[] = {
    kCountdownTexts[1],
    kCountdownTexts[2],
    kCountdownTexts[3],
    kCountdownTexts[4],
    kCountdownTexts[5],
    kGoodVerdict,
    kMissVerdict,
    kTimeLabel,
    kRankLabel,
    kOrdinalSuffixes,
    kRankHeading,
    kLevelHeading,
    kTimeHeading,
    kNoEntry,
    kPressAnyKey,
    kNumberCharacters,
    kStartupFailureLines[0],
    kStartupFailureLines[1],
    kStartupFailureLines[2],
    kErrFileNotFoundText,
    kErrInvalidNameText,
    kErrTooManyOpenFilesText,
    kErrAccessDeniedText,
    kErrReadPastEndText,
    kErrDiskFullText,
    kIoErrorOpen,
    kPictureOpenBefore,
    kPictureOpenAfter,
    kInvalidBitmapText,
    kErrorBoxButton,
    kPathCharacters,
};

}  // namespace enclova
