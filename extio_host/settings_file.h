// The host's own store of a plug-in's settings, a text file of one
// "number=key=value" line per pair that ExtIoGetSetting handed over.
// Backslash, line breaks (and in the key "=") are written as \\, \n, \r, \=.
#pragma once

#include <string>
#include <vector>

struct SettingPair {
  int number;
  std::string key;
  std::string value;
};

std::string FormatSettingsText(const std::vector<SettingPair>& pairs, const std::string& comment);
// The pairs in restore order: ascending numbers, so the identifier (0) comes
// first; for a number given twice the later line counts. Comments (# or ;),
// blank lines, lines without a number or an "=", a UTF-8 byte-order mark and
// CR-LF line ends are taken in stride.
std::vector<SettingPair> ParseSettingsText(const std::string& text);

// False with a reason when the file cannot be read or written. Writing goes
// through a temporary file, so a failed save leaves the old file whole.
bool ReadSettingsFile(const std::string& path, std::vector<SettingPair>* pairs, std::string* error);
bool WriteSettingsFile(const std::string& path, const std::vector<SettingPair>& pairs, const std::string& comment,
                       std::string* error);
