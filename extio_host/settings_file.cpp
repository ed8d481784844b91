#include "extio_host/settings_file.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

static std::string Escape(const std::string& text, bool in_key) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '=':
        out += in_key ? "\\=" : "=";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Reads from `text` at `at` up to an unescaped `stop` (or the end); false when
// `stop` is required but missing.
static bool Unescape(const std::string& text, size_t* at, char stop, std::string* out) {
  size_t i = *at;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == stop) {
      *at = i + 1;
      return true;
    }
    if (c == '\\' && i + 1 < text.size()) {
      char next = text[++i];
      *out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
      continue;
    }
    *out += c;
  }
  *at = i;
  return stop == '\0';
}

std::string FormatSettingsText(const std::vector<SettingPair>& pairs, const std::string& comment) {
  std::string text = "# " + comment + "\n";
  for (const SettingPair& pair : pairs)
    text += std::to_string(pair.number) + "=" + Escape(pair.key, true) + "=" + Escape(pair.value, false) + "\n";
  return text;
}

static bool ParseLine(std::string line, SettingPair* pair) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  size_t at = line.find_first_not_of(" \t");
  if (at == std::string::npos || line[at] == '#' || line[at] == ';') return false;
  size_t digits = at;
  while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') ++digits;
  if (digits == at || digits - at > 9) return false;
  size_t equals = line.find_first_not_of(" \t", digits);
  if (equals == std::string::npos || line[equals] != '=') return false;
  pair->number = std::atoi(line.substr(at, digits - at).c_str());
  pair->key.clear();
  pair->value.clear();
  size_t next = equals + 1;
  if (!Unescape(line, &next, '=', &pair->key)) return false;
  Unescape(line, &next, '\0', &pair->value);
  return true;
}

std::vector<SettingPair> ParseSettingsText(const std::string& text) {
  std::map<int, SettingPair> by_number;
  std::istringstream lines(text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text);
  std::string line;
  SettingPair pair;
  while (std::getline(lines, line))
    if (ParseLine(line, &pair)) by_number[pair.number] = pair;
  std::vector<SettingPair> pairs;
  for (auto& [number, entry] : by_number) pairs.push_back(entry);
  return pairs;
}

bool ReadSettingsFile(const std::string& path, std::vector<SettingPair>* pairs, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *error = "cannot read " + path;
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  *pairs = ParseSettingsText(text.str());
  return true;
}

bool WriteSettingsFile(const std::string& path, const std::vector<SettingPair>& pairs, const std::string& comment,
                       std::string* error) {
  const std::string temporary = path + ".new";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << FormatSettingsText(pairs, comment);
    if (!file.flush()) {
      *error = "cannot write " + temporary;
      return false;
    }
  }
  if (!MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    *error = "cannot replace " + path + " (error " + std::to_string(GetLastError()) + ")";
    DeleteFileA(temporary.c_str());
    return false;
  }
  return true;
}
