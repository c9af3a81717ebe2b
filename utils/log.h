#pragma once
// The diagnostic log "\pendrova.txt", on while the marker "\quillmark.dgb" exists at start-up.
#include "platform/pocketpc.h"

#define LOG_FILE L"\\pendrova.txt"
#define LOG_MARKER_FILE L"\\quillmark.dgb"
#define LOG_MESSAGE_CHARS 10240 // a message keeps at most 10,239 characters
#define LOG_LOCK_WAIT_MS 1000    // longest an entry waits for another writer; then it is dropped

extern bool LogEnabled;

// printf-style; %s takes a wide string. One open-append-close of the log file per entry.
void LogPrintf(const WCHAR *format, ...);
