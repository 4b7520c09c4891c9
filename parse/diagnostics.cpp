#include "parse/diagnostics.h"

#include <cstdarg>
#include <cstdio>

#include "parse/parse_limits.h"

namespace kexif {
namespace {

DiagnosticHook g_hook = nullptr;

}  // namespace

void SetDiagnosticHook(DiagnosticHook hook) { g_hook = hook; }

bool DiagnosticsEnabled() { return g_hook != nullptr; }

void Diagnose(const char *format, ...) {
  DiagnosticHook hook = g_hook;
  if (hook == nullptr) return;
  char line[kMaxDiagnosticLine];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  hook(line);
}

}  // namespace kexif
