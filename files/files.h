// The files library's interface: bounded strings and paths, questions about
// the file system, logged file operations and tree walks, the archiver-DLL
// wrappers, file types and associations, shell runs and shortcuts, special
// folders, the common dialogs and finding windows by title. Other libraries
// include this header, never the pieces it gathers; files/internal.h is the
// library's own.
#pragma once
#include "files/strings.h"
#include "files/fs_query.h"
#include "files/walker.h"
#include "files/file_ops.h"
#include "files/archiver.h"
#include "files/associations.h"
#include "files/shell_exec.h"
#include "files/shortcuts.h"
#include "files/special_folders.h"
#include "files/dialogs.h"
#include "files/window_search.h"
