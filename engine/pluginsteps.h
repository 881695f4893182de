// The plug-in steps' part of a run: the collected steps (catalogue/plugins.h) run at
// their level by the step runner.
#pragma once

#include <windows.h>

// Runs the collected steps of `level`, showing their text in control `textId` and their
// progress in control `barId` of `window`.
void RunPluginSteps(int level, HWND window, int barId, int textId);

// The progress function handed to every step: moves the bar of the last RunPluginSteps
// to `position` and returns the bar's former position.
int __cdecl PluginProgressCallback(int position);
