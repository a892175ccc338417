// Lets a test program watch the system calls its own code makes, by replacing
// entries of the program's import table (the program links setup's code
// statically, so setup's calls go through that table too).
#pragma once

// Points this program's import of `function` from `dll` at `replacement` and
// returns the address it held, or null when the program does not import it.
void* HookImport(const char* dll, const char* function, void* replacement);
