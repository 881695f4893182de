// The wizard driver: one call runs a whole installation or removal.
//
// Order: open setup.inf (a failure is reported and ends the run), choose the platform
// sections, load the session resources; ask the two gates, the start conditions and the
// product catalogue, each of which tells the user why when it refuses; then the wizard;
// at the end close the script and free the resources. The session record lives on this function's frame, so it
// outlives every page and worker of the run.

#include "setup.h"
#include "../catalogue/catalogue.h"
#include "../catalogue/conditions.h"

int RunWizard(HWND mainWindow)
{
    SetupSession session = {};
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(mainWindow, GWLP_HINSTANCE));

    session.InfHandle = OpenSetupScript(instance, mainWindow);
    if (session.InfHandle == INVALID_HANDLE_VALUE) return 0;

    SelectPlatformSections(session.InfHandle);
    LoadSessionResources(instance, &session);

    // The gates: each tells the user why when it refuses, and the wizard opens only
    // when both let it.
    if (CheckStartConditions(session.InfHandle, instance, mainWindow))
        BuildProductCatalogue(session.InfHandle, mainWindow, instance, g_Sections.ProductsSection, g_Options.Action);

    SetupCloseInfFile(session.InfHandle);
    FreeSessionResources(&session);
    return 1;
}
