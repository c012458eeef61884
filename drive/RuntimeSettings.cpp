#include "RuntimeSettings.h"

#include <stdio_ext.h>
#include <cfenv>
#include <clocale>
#include <cstdio>
#include <iostream>
#include <sstream>

#include "Text.h"

namespace vexdrive {

namespace {

constexpr std::array<int, 6> Categories{LC_CTYPE, LC_NUMERIC, LC_TIME, LC_COLLATE, LC_MONETARY, LC_MESSAGES};
constexpr std::array<const char*, 6> CategoryNames{"LC_CTYPE",   "LC_NUMERIC",  "LC_TIME",
                                                   "LC_COLLATE", "LC_MONETARY", "LC_MESSAGES"};

// glibc's FILE flag of an unbuffered stream (the line-buffered one is read by __flbf).
constexpr int Unbuffered = 0x0002;

std::string Hex(unsigned value) {
  std::ostringstream text;
  text << "0x" << std::hex << value;
  return text.str();
}

std::uint32_t ControlRegister() {
#if defined(__x86_64__)
  return __builtin_ia32_stmxcsr() & 0xffc0U;  // without the exception flags that arithmetic raises
#else
  return 0;
#endif
}

void SetControlRegister(std::uint32_t control) {
#if defined(__x86_64__)
  __builtin_ia32_ldmxcsr((__builtin_ia32_stmxcsr() & 0x3fU) | control);
#else
  static_cast<void>(control);
#endif
}

std::uint16_t X87Control() {
  std::uint16_t word = 0;
#if defined(__x86_64__)
  asm volatile("fnstcw %0" : "=m"(word));
#endif
  return word;
}

void SetX87Control(std::uint16_t word) {
#if defined(__x86_64__)
  asm volatile("fldcw %0" : : "m"(word));
#else
  static_cast<void>(word);
#endif
}

std::string RoundingName(int rounding) {
  switch (rounding) {
    case FE_TONEAREST:
      return "to nearest";
    case FE_UPWARD:
      return "upward";
    case FE_DOWNWARD:
      return "downward";
    case FE_TOWARDZERO:
      return "toward zero";
    default:
      return std::to_string(rounding);
  }
}

std::string TrapNames(int traps) {
  std::vector<std::string> names;
  if ((traps & FE_DIVBYZERO) != 0) names.emplace_back("FE_DIVBYZERO");
  if ((traps & FE_INEXACT) != 0) names.emplace_back("FE_INEXACT");
  if ((traps & FE_INVALID) != 0) names.emplace_back("FE_INVALID");
  if ((traps & FE_OVERFLOW) != 0) names.emplace_back("FE_OVERFLOW");
  if ((traps & FE_UNDERFLOW) != 0) names.emplace_back("FE_UNDERFLOW");
  return names.empty() ? "none" : Join(names, ", ");
}

template <class Char>
RuntimeSettings::Stream StreamOf(const char* name, std::basic_ios<Char>& stream) {
  return {name,
          static_cast<long>(stream.flags()),
          static_cast<long>(stream.precision()),
          static_cast<long>(stream.width()),
          static_cast<long>(stream.fill()),
          static_cast<int>(stream.exceptions()),
          stream.getloc(),
          stream.rdbuf(),
          stream.tie()};
}

template <class Char>
void Apply(const RuntimeSettings::Stream& saved, std::basic_ios<Char>& stream) {
  if (!(StreamOf(saved.Name, stream) == saved)) {
    stream.flags(static_cast<std::ios_base::fmtflags>(saved.Flags));
    stream.precision(saved.Precision);
    stream.width(saved.Width);
    stream.fill(static_cast<Char>(saved.Fill));
    stream.imbue(saved.Locale);
    stream.rdbuf(static_cast<std::basic_streambuf<Char>*>(const_cast<void*>(saved.Buffer)));
    stream.tie(static_cast<std::basic_ostream<Char>*>(const_cast<void*>(saved.Tie)));
    stream.clear();
    stream.exceptions(static_cast<std::ios_base::iostate>(saved.Exceptions));
  }
}

// Calls `act(index, stream)` for each standard stream.
template <class Act>
void EachStream(const Act& act) {
  act(0, std::cin), act(1, std::cout), act(2, std::cerr), act(3, std::clog);
  act(4, std::wcin), act(5, std::wcout), act(6, std::wcerr), act(7, std::wclog);
}
constexpr std::array<const char*, 8> StreamNames{"std::cin",  "std::cout",  "std::cerr",  "std::clog",
                                                 "std::wcin", "std::wcout", "std::wcerr", "std::wclog"};

RuntimeSettings::CStream CStreamOf(const char* name, std::FILE* file) {
  return {name, file, static_cast<std::size_t>(file->_flags & Unbuffered), static_cast<int>(__flbf(file)),
          fwide(file, 0)};
}

std::string StreamChange(const RuntimeSettings::Stream& before, const RuntimeSettings::Stream& now) {
  std::vector<std::string> parts;
  if (before.Flags != now.Flags) parts.emplace_back("its formatting flags");
  if (before.Precision != now.Precision) {
    parts.push_back("its precision from " + std::to_string(before.Precision) + " to " + std::to_string(now.Precision));
  }
  if (before.Width != now.Width) parts.emplace_back("its width");
  if (before.Fill != now.Fill) parts.emplace_back("its fill character");
  if (before.Exceptions != now.Exceptions) parts.emplace_back("the exceptions it throws");
  if (!(before.Locale == now.Locale)) {
    parts.push_back("its locale from " + before.Locale.name() + " to " + now.Locale.name());
  }
  if (before.Buffer != now.Buffer) parts.emplace_back("its buffer (where it writes)");
  if (before.Tie != now.Tie) parts.emplace_back("the stream it is tied to");
  return parts.empty() ? std::string() : "changes " + std::string(now.Name) + ": " + Join(parts, ", ");
}

std::string CStreamChange(const RuntimeSettings::CStream& before, const RuntimeSettings::CStream& now) {
  std::vector<std::string> parts;
  if (before.File != now.File) parts.emplace_back("which FILE it is");
  if (before.BufferSize != now.BufferSize || before.LineBuffered != now.LineBuffered)
    parts.emplace_back("its buffering");
  if (before.Orientation != now.Orientation) parts.emplace_back("its orientation (narrow or wide)");
  return parts.empty() ? std::string() : "changes " + std::string(now.Name) + ": " + Join(parts, ", ");
}

}  // namespace

// "changes the C locale of LC_CTYPE, LC_NUMERIC from C to C.UTF-8", or each category's own change.
std::string RuntimeSettings::CLocaleChange(const std::array<std::string, 6>& before,
                                           const std::array<std::string, 6>& now) {
  std::vector<std::string> categories;
  std::vector<std::string> each;
  bool alike = true;
  std::size_t first = before.size();
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (before[i] == now[i]) continue;
    if (first == before.size()) first = i;
    alike = alike && before[i] == before[first] && now[i] == now[first];
    categories.emplace_back(CategoryNames[i]);
    each.push_back(std::string(CategoryNames[i]) + " from " + before[i] + " to " + now[i]);
  }
  if (categories.empty()) return {};
  if (alike)
    return "changes the C locale of " + Join(categories, ", ") + " from " + before[first] + " to " + now[first];
  return "changes the C locale: " + Join(each, ", ");
}

// One text for the floating-point environment: its rounding and traps, or else its control words.
std::string RuntimeSettings::FloatingPointChange(const RuntimeSettings& before, const RuntimeSettings& now) {
  std::vector<std::string> parts;
  if (before._Rounding != now._Rounding) {
    parts.push_back("rounding from " + RoundingName(before._Rounding) + " to " + RoundingName(now._Rounding));
  }
  if (before._Traps != now._Traps) {
    parts.push_back("exceptions that trap from " + TrapNames(before._Traps) + " to " + TrapNames(now._Traps));
  }
  if (parts.empty() && (before._Control != now._Control || before._X87Control != now._X87Control)) {
    parts.push_back("control from " + Hex(before._Control) + "/" + Hex(before._X87Control) + " to " +
                    Hex(now._Control) + "/" + Hex(now._X87Control));
  }
  return parts.empty() ? std::string() : "changes the floating-point " + Join(parts, ", and the ");
}

bool RuntimeSettings::Stream::operator==(const Stream& other) const {
  return Flags == other.Flags && Precision == other.Precision && Width == other.Width && Fill == other.Fill &&
         Exceptions == other.Exceptions && Locale == other.Locale && Buffer == other.Buffer && Tie == other.Tie;
}

RuntimeSettings RuntimeSettings::Now() {
  RuntimeSettings now;
  for (std::size_t i = 0; i < Categories.size(); ++i) {
    const char* name = std::setlocale(Categories[i], nullptr);
    now._CLocale[i] = name != nullptr ? name : "";
  }
  now._Global = std::locale();
  now._Rounding = std::fegetround();
  now._Traps = fegetexcept();
  now._Control = ControlRegister();
  now._X87Control = X87Control();
  EachStream([&](int index, auto& stream) { now._Streams[index] = StreamOf(StreamNames[index], stream); });
  now._CStreams = {CStreamOf("stdin", stdin), CStreamOf("stdout", stdout), CStreamOf("stderr", stderr)};
  now._NewHandler = std::get_new_handler();
  now._Terminate = std::get_terminate();
  return now;
}

bool RuntimeSettings::operator==(const RuntimeSettings& other) const {
  return _CLocale == other._CLocale && _Global == other._Global && _Rounding == other._Rounding &&
         _Traps == other._Traps && _Control == other._Control && _X87Control == other._X87Control &&
         _Streams == other._Streams && _CStreams == other._CStreams && _NewHandler == other._NewHandler &&
         _Terminate == other._Terminate;
}

std::vector<std::string> RuntimeSettings::ChangesTo(const RuntimeSettings& now) const {
  std::vector<std::string> changes;
  if (!(_Global == now._Global)) {
    // Setting a named global C++ locale sets the C locale too: one change.
    changes.push_back("changes the global C++ locale from " + _Global.name() + " to " + now._Global.name());
  } else if (std::string change = CLocaleChange(_CLocale, now._CLocale); !change.empty()) {
    changes.push_back(change);
  }
  if (std::string change = FloatingPointChange(*this, now); !change.empty()) changes.push_back(change);
  for (std::size_t i = 0; i < _Streams.size(); ++i) {
    if (std::string change = StreamChange(_Streams[i], now._Streams[i]); !change.empty()) changes.push_back(change);
  }
  for (std::size_t i = 0; i < _CStreams.size(); ++i) {
    if (std::string change = CStreamChange(_CStreams[i], now._CStreams[i]); !change.empty()) changes.push_back(change);
  }
  if (_NewHandler != now._NewHandler) changes.emplace_back("sets the new-handler");
  if (_Terminate != now._Terminate) changes.emplace_back("sets the terminate handler");
  return changes;
}

void RuntimeSettings::Restore() const {
  if (!(std::locale() == _Global)) std::locale::global(_Global);
  for (std::size_t i = 0; i < Categories.size(); ++i) std::setlocale(Categories[i], _CLocale[i].c_str());
  std::fesetround(_Rounding);
  fedisableexcept(FE_ALL_EXCEPT);
  feenableexcept(_Traps);
  SetControlRegister(_Control);
  SetX87Control(_X87Control);
  EachStream([&](int index, auto& stream) { Apply(_Streams[index], stream); });
  std::set_new_handler(_NewHandler);
  std::set_terminate(_Terminate);
}

}  // namespace vexdrive
