#include "host/console_screen.h"

#include <windows.h>

static HANDLE OpenScreen() {
  return CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, 0, nullptr);
}

bool ConsoleAvailable() {
  HANDLE screen = OpenScreen();
  if (screen == INVALID_HANDLE_VALUE) return false;
  CONSOLE_SCREEN_BUFFER_INFO info;
  bool ok = GetConsoleScreenBufferInfo(screen, &info);
  CloseHandle(screen);
  return ok;
}

void ClearConsoleScreen() {
  HANDLE screen = OpenScreen();
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (screen == INVALID_HANDLE_VALUE) return;
  if (GetConsoleScreenBufferInfo(screen, &info)) {
    DWORD cells = static_cast<DWORD>(info.dwSize.X) * info.dwSize.Y, written;
    FillConsoleOutputCharacterA(screen, ' ', cells, COORD{0, 0}, &written);
    SetConsoleCursorPosition(screen, COORD{0, 0});
  }
  CloseHandle(screen);
}

std::string ReadConsoleScreen() {
  std::string text;
  HANDLE screen = OpenScreen();
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (screen == INVALID_HANDLE_VALUE) return text;
  if (GetConsoleScreenBufferInfo(screen, &info)) {
    std::string row(static_cast<size_t>(info.dwSize.X), ' ');
    for (SHORT y = 0; y < info.dwSize.Y; ++y) {
      DWORD read = 0;
      ReadConsoleOutputCharacterA(screen, row.data(), info.dwSize.X, COORD{0, y}, &read);
      std::string line = row.substr(0, read);
      line.erase(line.find_last_not_of(' ') + 1);
      text += line + '\n';
    }
  }
  CloseHandle(screen);
  text.erase(text.find_last_not_of('\n') + 1);
  return text;
}
