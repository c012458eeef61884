// Dynamic libraries on Windows: LoadLibrary, GetProcAddress, FreeLibrary, and the system's
// DisableThreadLibraryCalls. This file alone includes the system's header: the host contract of
// the same name (vex/Dictionary.h) is another function, which passes its calls on to this one.
#include <windows.h>

#include <filesystem>

#include "Libraries.h"

namespace vexhost::detail {

namespace {

// The path as the system's wide-character functions take it (the host's texts are UTF-8).
std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

// The system's message for an error code about the file at `path`, without its closing line break,
// and the code. Some messages name the file as "%1": it is named there.
std::string SystemMessage(DWORD code, const std::string& path) {
  char* buffer = nullptr;
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string message = length != 0 && buffer != nullptr ? std::string(buffer, length) : "unknown error";
  if (buffer != nullptr) LocalFree(buffer);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
    message.pop_back();
  }
  for (std::size_t at = message.find("%1"); at != std::string::npos; at = message.find("%1", at + path.size())) {
    message.replace(at, 2, path);
  }
  return message + " (error " + std::to_string(code) + ")";
}

}  // namespace

void* OpenLibrary(const std::string& path, std::string& problem) {
  // A library's own dependencies are looked for beside it first, as beside a program; the system
  // does so for a full path only.
  std::error_code unresolved;
  std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(Wide(path)), unresolved);
  if (unresolved) full = std::filesystem::path(Wide(path));
  full.make_preferred();
  HMODULE library = LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (library == nullptr) problem = SystemMessage(GetLastError(), path);
  return static_cast<void*>(library);
}

void* FindExport(void* library, const std::string& name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name.c_str()));
}

void CloseLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

int SystemDisableThreadLibraryCalls(void* library) {
  return ::DisableThreadLibraryCalls(static_cast<HMODULE>(library)) != FALSE ? 1 : 0;
}

}  // namespace vexhost::detail
