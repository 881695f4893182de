// The checks of header_check.c, compiled as strict C++98.
#include "header_check.c"
