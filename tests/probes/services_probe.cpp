// Runs the program's three services passes on a setup script as whatever Windows version
// Wine reports to this executable, in the order of a run (stop, install, start), and
// prints the results, one "name=value" per line:
//   services_probe PATH-TO-INF SECTION
//     version=GetVersion result in hexadecimal
//     stop=, install=, start=   the results of StopSectionServices, InstallSectionServices
//                               and StartSectionServices for SECTION
// The integration tests run copies of it as win98 (the passes must do nothing) and as
// win2k (the same script must take effect).

#include "../../engine/services.h"
#include "../../setupapi/inf.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: services_probe INF SECTION\n");
        return 2;
    }
    std::printf("version=%08lx\n", GetVersion());
    UINT errorLine = 0;
    HINF inf = InfOpen(argv[1], &errorLine);
    if (inf == INVALID_HANDLE_VALUE) {
        std::printf("error=%u\n", errorLine);
        return 1;
    }
    const int stopped = StopSectionServices(inf, argv[2]);
    const int installed = InstallSectionServices(inf, argv[2]);
    const int started = StartSectionServices(inf, argv[2]);
    std::printf("stop=%d\ninstall=%d\nstart=%d\n", stopped, installed, started);
    SetupCloseInfFile(inf);
    return 0;
}
