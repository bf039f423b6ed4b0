// The console library's interface: script runs (the start-up's script mode,
// script files and the interactive console) and the command interpreter
// that runs one command line. Other libraries include this header, never the
// pieces it gathers; the archive commands, the mirror copy and fcopy are the
// library's own.
#pragma once
#include "console/script.h"
#include "console/commands.h"
