// The command an uninstall entry holds, built without a Windows call so that it can be
// checked against the program's own reading of its command line.
#pragma once

// Builds the uninstall command for the installed setup program at `setupPath`:
// "<path> /remove:<key>", the path in double quotes when it contains a blank, and the
// token in double quotes when the key contains a blank or a quote. Returns 0 when the
// command would not fit `size` bytes.
int BuildUninstallCommand(const char* setupPath, const char* key, char* command, unsigned size);
