// The stand-in's commands: one command line run to its result code, with
// the text the DLL writes into the caller's output buffer.
#pragma once
#include "standins/archiver/standin.h"

int run_command(int kind, const char* text, std::string* out);
// Reads every member completely (CRCs and passwords checked).
bool check_archive_file(const char* archive, const char* password);
