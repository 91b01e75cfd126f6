// The operating-system seam: the only place where the program calls into the operating
// system. One implementation for Win32 (os/win32) and one for POSIX (os/posix), chosen by the
// build. Everything outside this folder is portable C++.
//
// Text crossing the seam is narrow text in the system code page (the same bytes an XString
// holds); each side converts at its own boundary (UTF-16 on Win32, UTF-8 file names on POSIX).
#pragma once

#include "os/OsExclusiveFiles.h"
#include "os/OsFiles.h"
#include "os/OsRegistry.h"
#include "os/OsSystem.h"
#include "os/OsText.h"
#include "os/OsTime.h"
