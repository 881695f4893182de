// Start conditions: exported functions of condition libraries beside the program that
// decide whether the installation may run at all (the section "Install") and which
// products are offered (each product's install section). A section lists condition
// sections in its Conditions key; each line of a condition section names a library and
// a function. Evaluation stops at the first condition that does not hold.
#pragma once

#include <windows.h>
#include <setupapi.h>

const unsigned ConditionMessageSize = 1024;
const unsigned FailureTextSize = 256;

int CheckStartConditions(HINF inf, HINSTANCE instance, HWND owner);
int CheckSectionConditions(HINF inf, const char* section, char* message);
int CheckConditionSection(HINF inf, const char* conditionSection, char* message);
int CallConditionFunction(const char* library, const char* function, char* failureText);
void ShowConditionFailure(HINSTANCE instance, HWND owner, const char* text);
