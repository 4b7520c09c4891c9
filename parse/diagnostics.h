// The diagnostic lines of the parsers ("IFD:%d \n", "SOS:Start Of Scan
// len=%d\n", "8BIM %d [%04X] size=%d\n", ...). By default they go nowhere
// and are not even composed; a tool may install a hook to receive them.
// The library's behaviour never depends on them.
#ifndef KEXIF_PARSE_DIAGNOSTICS_H
#define KEXIF_PARSE_DIAGNOSTICS_H

namespace kexif {

// Receives one composed line (NUL-terminated, usually ending in '\n').
using DiagnosticHook = void (*)(const char *line);

// Installs the hook (null removes it). Process-wide; not synchronised, so
// set it before documents are loaded on other threads.
void SetDiagnosticHook(DiagnosticHook hook);

// True when a hook is installed, so callers can skip work whose only
// product is diagnostic lines.
bool DiagnosticsEnabled();

// Composes the line with printf formatting and hands it to the hook, if any.
void Diagnose(const char *format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace kexif

#endif
